#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "modaldialogs.h"

#include <QString>
#include <QStringList>
#include <memory>

class MainWindow;
class QAction;
class QImage;
class QListWidget;
class QRadioButton;
class QTableWidget;

// Drives the real main window the way a user does: toolbar actions, clicks
// on list entries and radio buttons, file dialogs answered from a script.
class WindowDriver
{
public:
    WindowDriver();
    ~WindowDriver();

    MainWindow &window() { return *m_window; }
    ModalDialogs &dialogs() { return m_dialogs; }

    QAction *action(const char *name) const;
    QRadioButton *radio(const char *name) const;
    QListWidget *list() const;
    QTableWidget *table() const;

    // The text of a table cell, or "<none>" when the cell holds no item.
    QString cell(int row, int column) const;
    // The texts of the list entries.
    QStringList entryTexts() const;
    // Names of the enabled ones among the seven actions and four radio buttons.
    QStringList enabledControls() const;
    // The picture the diagram label shows.
    QImage diagram() const;

    // Presses the open action and answers its dialog with path.
    void open(const QString &path);
    // Presses the save action and answers its dialog with path.
    void save(const QString &path);
    // Clicks the list entry in the given row with the mouse.
    void clickEntry(int row);
    void clickRadio(const char *name);

private:
    ModalDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};

// Writes bytes to a file, creating folders as needed.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

#endif // WINDOWDRIVER_H
