#include "modaldialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>

ModalDialogs::ModalDialogs()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDialogs::poll);
    m_timer.start(5);
}

QStringList ModalDialogs::takeMessages()
{
    QStringList texts;
    for (const MessageSeen &message : std::as_const(messages))
        texts << message.title + QLatin1Char('|') + message.text;
    messages.clear();
    return texts;
}

bool ModalDialogs::waitForMessages(int count)
{
    return QTest::qWaitFor([&] { return messages.size() >= count; }, 5000);
}

void ModalDialogs::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property("answered").toBool())
        return;
    modal->setProperty("answered", true);

    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        fileDialogs.append({ dialog->windowTitle(), dialog->directory().path(), dialog->nameFilters(),
                             dialog->acceptMode() == QFileDialog::AcceptSave });
        const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        // The name goes straight into the file-name box, as typed:
        // selectFile() skips that box while it has the focus. done() skips
        // the dialog's own checks (overwrite prompt, existence).
        if (auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            nameBox->setText(answer);
        if (dialog->selectedFiles() != QStringList{ answer })
            QTest::qFail(qPrintable(QStringLiteral("the file dialog answered %1 instead of %2")
                                        .arg(dialog->selectedFiles().join(u','), answer)),
                         __FILE__, __LINE__);
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        return;
    }

    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        messages.append({ box->windowTitle(), box->text(), box->standardButtons() });
        if (m_whileOpen) {
            // A timer does not fire again inside its own slot: boxes opened
            // meanwhile are answered by another one.
            QTimer nested;
            connect(&nested, &QTimer::timeout, this, &ModalDialogs::poll);
            nested.start(5);
            m_whileOpen(box);
        }
        const QString wanted = m_buttons.isEmpty() ? QString() : m_buttons.takeFirst();
        QAbstractButton *button = box->buttons().value(0);
        for (QAbstractButton *named : box->buttons())
            button = named->text() == wanted ? named : button;
        button->click();
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
