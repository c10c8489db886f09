#ifndef HELPDIALOG_H
#define HELPDIALOG_H

#include <QDialog>

// 帮助: a guide to every action of the tool, the additions included, in
// Chinese (the resource :/help/guide.html).
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent);
    // Shown beside the window, and deleted when closed.
    static void showGuide(QWidget *parent);
};

#endif // HELPDIALOG_H
