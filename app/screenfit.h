#ifndef SCREENFIT_H
#define SCREENFIT_H

class QMainWindow;

// On a screen whose free area does not hold the window at its designed size
// (1366 x 768, or a 1920 x 1080 laptop at 150%), the window takes the room
// there is and its content scrolls, every widget at its size and place.
void fitToScreen(QMainWindow *window);

#endif // SCREENFIT_H
