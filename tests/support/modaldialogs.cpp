#include "modaldialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include "reportinfodialog.h"
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>

ModalDialogs::ModalDialogs()
{
    // The dialogs answered here are Qt's own: Windows' native file dialogs
    // are not widgets of the application.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
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

    if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && m_scripts.contains(dialog->objectName())) {
        m_scripts.take(dialog->objectName())(dialog);
        return;
    }
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
        if (wanted == QLatin1String("Esc")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
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
    if (auto *info = qobject_cast<ReportInfoDialog *>(modal)) {
        QMap<QString, QString> offered;
        for (QLineEdit *edit : info->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly))
            offered.insert(edit->objectName(), edit->text());
        for (QDateEdit *edit : info->findChildren<QDateEdit *>(QString(), Qt::FindDirectChildrenOnly))
            offered.insert(edit->objectName(), edit->date().toString(Qt::ISODate));
        if (auto *pages = info->findChild<QLabel *>(QStringLiteral("pages")))
            offered.insert(pages->objectName(), pages->text());
        reportInfoOffered.append(offered);
        const auto answer = m_reportInfo.isEmpty() ? qMakePair(QMap<QString, QString>(), true)
                                                   : m_reportInfo.takeFirst();
        for (auto field = answer.first.cbegin(); field != answer.first.cend(); ++field) {
            if (auto *edit = info->findChild<QLineEdit *>(field.key()))
                edit->setText(field.value());
            else if (auto *date = info->findChild<QDateEdit *>(field.key()))
                date->setDate(QDate::fromString(field.value(), Qt::ISODate));
        }
        // Out of this slot: a refusal opens a box that this timer answers.
        QTimer::singleShot(0, info, [this, info, accept = answer.second] {
            if (!accept) {
                info->reject();
                return;
            }
            info->accept();
            if (info->isVisible() && !m_reportInfo.isEmpty())
                info->setProperty("answered", false); // refused: the next entry
            else if (info->isVisible())
                info->reject();
        });
        return;
    }
    // A preview prints to the PDF file of the next file answer, out of this
    // slot for the print dialog to be answered: accepted as it is.
    if (auto *preview = qobject_cast<QPrintPreviewDialog *>(modal)) {
        preview->printer()->setOutputFormat(QPrinter::PdfFormat); // this machine has no printer
        preview->printer()->setOutputFileName(m_answers.isEmpty() ? QString() : m_answers.takeFirst());
        for (QAction *action : preview->findChildren<QAction *>())
            if (action->text().remove(u'&') == QStringLiteral("Print"))
                QTimer::singleShot(0, action, &QAction::trigger);
        return;
    }
    if (auto *print = qobject_cast<QPrintDialog *>(modal)) {
        print->accept();
        return;
    }
    modal->close();
}
