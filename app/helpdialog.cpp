#include "helpdialog.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("帮助"));
    auto *text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("guide"));
    text->setSource(QUrl(QStringLiteral("qrc:/help/guide.html")));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(760, 620);
}

void HelpDialog::showGuide(QWidget *parent)
{
    auto *help = new HelpDialog(parent);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->show();
}
