#ifndef MAINWINDOWFORM_H
#define MAINWINDOWFORM_H

#include "ui_mainwindowform.h"

// The fixed widget tree of the main window, built by uic from
// mainwindowform.ui (open it in Qt Designer). Every member is also the object
// name of its widget; the window's slots are connected to them by name, so
// the names must not change. The widgets belong to the window.
//
// The form's class in the .ui is MainWindow, as its top widget, so that its
// texts are translated in the context "MainWindow".
class MainWindowForm : public Ui::MainWindow
{
};

#endif // MAINWINDOWFORM_H
