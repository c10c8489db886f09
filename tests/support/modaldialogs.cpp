#include "modaldialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>

ModalDialogs::ModalDialogs()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalDialogs::poll);
    m_timer.start();
}

void ModalDialogs::chooseFile(const QString &path)
{
    m_answers.append(path.isNull() ? QString(QLatin1String("")) : path);
}

void ModalDialogs::cancelFileDialog()
{
    m_answers.append(QString());
}

QStringList ModalDialogs::takeMessages()
{
    QStringList texts;
    for (const MessageSeen &message : std::as_const(messages))
        texts << message.title + QLatin1Char('|') + message.text;
    messages.clear();
    return texts;
}

bool ModalDialogs::waitForMessages(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (messages.size() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return messages.size() >= count;
}

void ModalDialogs::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property("answered").toBool())
        return;
    modal->setProperty("answered", true);

    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        FileDialogSeen seen;
        seen.caption = dialog->windowTitle();
        seen.directory = dialog->directory().path();
        seen.nameFilters = dialog->nameFilters();
        seen.saving = dialog->acceptMode() == QFileDialog::AcceptSave;
        fileDialogs.append(seen);
        if (m_answers.isEmpty()) {
            ++unansweredFileDialogs;
            dialog->reject();
            return;
        }
        const QString answer = m_answers.takeFirst();
        if (answer.isNull()) {
            dialog->reject();
            return;
        }
        // The name goes straight into the file-name box, as typed:
        // selectFile() skips that box while it has the focus. done() answers
        // without the dialog's own checks (overwrite prompt, existence), so a
        // test can hand over any name a user could type.
        auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (nameBox)
            nameBox->setText(QFileInfo(answer).absoluteFilePath());
        const QStringList chosen = dialog->selectedFiles();
        if (!nameBox || chosen != QStringList{ QFileInfo(answer).absoluteFilePath() })
            QTest::qFail(qPrintable(QStringLiteral("the file dialog answered %1 instead of %2")
                                        .arg(chosen.join(u','), answer)),
                         __FILE__, __LINE__);
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        return;
    }

    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        MessageSeen seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.hasDefaultButton = box->defaultButton() != nullptr;
        messages.append(seen);
        if (m_whileOpen) {
            // A timer does not fire again inside its own slot: boxes opened
            // meanwhile are answered by another one.
            QTimer nested;
            connect(&nested, &QTimer::timeout, this, &ModalDialogs::poll);
            nested.start(5);
            m_whileOpen(box);
        }
        const QList<QAbstractButton *> buttons = box->buttons();
        const QString wanted = m_buttons.isEmpty() ? QString() : m_buttons.takeFirst();
        for (QAbstractButton *button : buttons) {
            if (!wanted.isEmpty() && button->text() == wanted) {
                button->click();
                return;
            }
        }
        if (!buttons.isEmpty())
            buttons.first()->click();
        else
            box->reject();
        return;
    }

    // Closing a progress dialog would cancel it: that happens only on request.
    if (auto *progress = qobject_cast<QProgressDialog *>(modal)) {
        progressLabels.append(progress->labelText());
        if (m_cancelProgress)
            progress->cancel();
        return;
    }

    modal->close();
}
