#ifndef MAINWINDOWFORM_H
#define MAINWINDOWFORM_H

class QAction;
class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QMainWindow;
class QRadioButton;
class QTableWidget;
class QTextBrowser;
class QToolBar;
class QWidget;

// The fixed widget tree of the main window. Every member is also the object
// name of its widget; the window's slots are connected to them by name, so
// the names must not change. The widgets belong to the window.
class MainWindowForm
{
public:
    QAction *action_connect_device;
    QAction *action_read_device;
    QAction *action_delete_device;
    QAction *action_word;
    QAction *action_excel;
    QAction *action_save;
    QAction *action_open;
    // Beyond the seven designed actions, last in the toolbar: the PDF report
    // and the wiring check, then printing the PDF's pages.
    QAction *action_pdf;
    QAction *action_wiring_check;
    QAction *action_print;
    // Then every group at once: the overview, the table of all groups
    // (Excel workbook or CSV) and the history of readings.
    QAction *action_overview;
    QAction *action_export_table;
    QAction *action_history;
    QWidget *centralWidget;
    QGroupBox *groupBox;
    QGridLayout *gridLayout_2;
    QGridLayout *gridLayout;
    QListWidget *listWidget;
    QGroupBox *groupBox_2;
    QGridLayout *gridLayout_3;
    QTableWidget *tableWidget;
    QGroupBox *groupBox_3;
    QGridLayout *gridLayout_5;
    QTextBrowser *textBrowser;
    QGroupBox *groupBox_4;
    QRadioButton *SRadioButton;
    QRadioButton *NRadioButton;
    QRadioButton *LRadioButton;
    QRadioButton *DRadioButton;
    QLabel *label;
    QToolBar *mainToolBar;
    QButtonGroup *buttonGroup_2;
    QButtonGroup *buttonGroup;

    // Builds the form on the window, sets its texts and connects the
    // window's on_<object>_<signal> slots by name.
    void setupUi(QMainWindow *MainWindow);
    void retranslateUi(QMainWindow *MainWindow);
};

#endif // MAINWINDOWFORM_H
