#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "instrumentsession.h"
#include "mainwindow.h"
#include "modaldialogs.h"

#include <QAction>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>
#include <memory>

// Drives the real main window the way a user does: toolbar actions, clicks
// on list entries and radio buttons, dialogs answered from a script.
class WindowDriver
{
public:
    WindowDriver();
    MainWindow &window() { return *m_window; }
    ModalDialogs &dialogs() { return m_dialogs; }

    QAction *action(const char *name) const { return m_window->findChild<QAction *>(name); }
    QRadioButton *radio(const char *name) const { return m_window->findChild<QRadioButton *>(name); }
    QListWidget *list() const { return m_window->findChild<QListWidget *>("listWidget"); }
    QTableWidget *table() const { return m_window->findChild<QTableWidget *>("tableWidget"); }
    // The text of a table cell, or "<none>" when the cell holds no item.
    QString cell(int row, int column) const;
    // Names of the enabled ones among the actions and the four radio buttons.
    QStringList enabledControls() const;
    // The picture the diagram label shows.
    QImage diagram() const;

    // Presses the open action and answers its dialog with path.
    void open(const QString &path);
    // Clicks with the mouse, as a user does.
    void clickEntry(int row);
    void clickRadio(const char *name);

private:
    ModalDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
};

// The colour of a diagram pixel. Antialiased 1-pixel lines blend with the
// background, so half coverage counts.
enum Colour { Yellow, Green, Red, Other };
Colour colourOf(QRgb pixel);
// Whether a pixel of the colour (Other: any arrow colour) lies within reach of p.
bool colourNear(const QImage &image, QPointF p, Colour colour, int reach = 1);

// Writes bytes to a file, creating folders as needed.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
// The bytes of a data file of the groups.
QByteArray dataFile(const QList<QByteArray> &groups);
// What a program prints on its standard output (waits up to a minute).
QByteArray outputOf(const QString &program, const QStringList &arguments);

#endif // WINDOWDRIVER_H
