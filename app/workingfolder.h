#ifndef WORKINGFOLDER_H
#define WORKINGFOLDER_H

// The working directory is where the "./" dialogs start and "buffer.png" is
// written. An installed tool started from its shortcut runs in its program
// folder (under Program Files on Windows), which a user cannot write to.
namespace WorkingFolder {

// Keeps the working directory when a file can be made there; otherwise
// moves to the user's documents folder, or else the home folder.
void makeWritable();

} // namespace WorkingFolder

#endif // WORKINGFOLDER_H
