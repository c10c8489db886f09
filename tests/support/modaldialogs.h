#ifndef MODALDIALOGS_H
#define MODALDIALOGS_H

#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers the modal dialogs that the window opens while a test drives it.
// File dialogs take their answers from a queue (none left: cancelled); every
// message box is recorded and closed with its first button or a button named
// in advance. A progress dialog is recorded and left running, or cancelled
// when asked to. 报告信息 takes its fields from a queue and is accepted
// (none left: accepted as offered); a print preview prints.
class ModalDialogs : public QObject
{
    Q_OBJECT

public:
    struct FileDialogSeen { QString caption, directory; QStringList nameFilters; bool saving = false; };
    struct MessageSeen { QString title, text; QMessageBox::StandardButtons buttons; };

    ModalDialogs();

    // The next file dialog returns this absolute path, existing or not; an
    // empty path cancels it.
    void chooseFile(const QString &path) { m_answers.append(path); }
    // The next message box is answered with the button of this text.
    void pressButton(const QString &text) { m_buttons.append(text); }
    // The next 报告信息 gets these fields (object name to text, the date as
    // yyyy-MM-dd) and is accepted, or cancelled for accept false. Refused,
    // it takes the next entry.
    void fillReportInfo(const QMap<QString, QString> &fields, bool accept = true)
    { m_reportInfo.append({ fields, accept }); }
    // The next dialog of this object name is handed to fn, which answers it.
    void answer(const QString &objectName, std::function<void(QDialog *)> fn) { m_scripts.insert(objectName, std::move(fn)); }
    // Progress dialogs seen from now on are cancelled.
    void cancelProgress() { m_cancelProgress = true; }
    // Runs fn on every message box before it is closed (e.g. to let serial
    // data arrive while it is open).
    void whileMessageOpen(std::function<void(QMessageBox *)> fn) { m_whileOpen = std::move(fn); }

    QList<FileDialogSeen> fileDialogs;
    QList<MessageSeen> messages;
    QStringList progressLabels; // label texts of the progress dialogs seen
    QList<QMap<QString, QString>> reportInfoOffered; // the fields 报告信息 offered

    // Lets the event loop run until count message boxes have been seen.
    bool waitForMessages(int count = 1);
    // The messages seen, as "title|text", forgotten then.
    QStringList takeMessages();

private:
    void poll();

    QTimer m_timer;
    QStringList m_answers;
    QStringList m_buttons;
    bool m_cancelProgress = false;
    QList<QPair<QMap<QString, QString>, bool>> m_reportInfo;
    std::function<void(QMessageBox *)> m_whileOpen;
    QMap<QString, std::function<void(QDialog *)>> m_scripts;
};

#endif // MODALDIALOGS_H
