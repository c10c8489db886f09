#include "serversettingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ServerSettingsDialog::ServerSettingsDialog(const ServerSettings &settings, const QString &localPath, QWidget *parent)
    : QDialog(parent)
    , m_enabled(new QCheckBox(tr("同时使用部门的档案服务器（PostgreSQL）"), this))
    , m_host(new QLineEdit(settings.host, this))
    , m_port(new QSpinBox(this))
    , m_database(new QLineEdit(settings.database, this))
    , m_user(new QLineEdit(settings.user, this))
    , m_sslMode(new QComboBox(this))
    , m_caFile(new QLineEdit(settings.sslRootCert, this))
    , m_connection(new QLineEdit(settings.connection, this))
    , m_problem(new QLabel(this))
    , m_timeout(settings.connectTimeout)
{
    setWindowTitle(tr("档案库"));
    setObjectName(QStringLiteral("serverSettings"));
    m_enabled->setObjectName(QStringLiteral("serverEnabled"));
    m_enabled->setChecked(settings.enabled);
    m_host->setObjectName(QStringLiteral("host"));
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, 65535);
    m_port->setValue(settings.port);
    m_database->setObjectName(QStringLiteral("database"));
    m_user->setObjectName(QStringLiteral("user"));
    m_sslMode->setObjectName(QStringLiteral("sslMode"));
    m_sslMode->addItem(tr("prefer（服务器支持时加密）"), QStringLiteral("prefer"));
    m_sslMode->addItem(tr("require（必须加密）"), QStringLiteral("require"));
    m_sslMode->addItem(tr("verify-full（加密并用部门的 CA 证书核对服务器）"), QStringLiteral("verify-full"));
    m_sslMode->setCurrentIndex(qMax(0, int(ServerSettings::sslModes().indexOf(settings.sslMode))));
    m_caFile->setObjectName(QStringLiteral("caFile"));
    m_connection->setObjectName(QStringLiteral("connection"));
    m_connection->setPlaceholderText(QStringLiteral("service=metering"));
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setWordWrap(true);

    auto *browse = new QPushButton(tr("浏览…"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, tr("部门的 CA 证书"), m_caFile->text(),
                                                          tr("证书 (*.crt *.pem *.cer);;所有文件 (*)"));
        if (!file.isEmpty())
            m_caFile->setText(QDir::toNativeSeparators(file));
    });
    auto *caRow = new QHBoxLayout;
    caRow->addWidget(m_caFile);
    caRow->addWidget(browse);

    auto *form = new QFormLayout;
    form->addRow(tr("主机："), m_host);
    form->addRow(tr("端口："), m_port);
    form->addRow(tr("数据库："), m_database);
    form->addRow(tr("用户名："), m_user);
    form->addRow(tr("加密（sslmode）："), m_sslMode);
    form->addRow(tr("CA 证书文件："), caRow);
    form->addRow(tr("或连接字符串/服务名："), m_connection);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ServerSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    auto *local = new QLabel(tr("每次读取都先存入本机档案（始终使用）：%1").arg(QDir::toNativeSeparators(localPath)), this);
    local->setWordWrap(true);
    layout->addWidget(local);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    auto *password = new QLabel(tr("密码不会保存：有 libpq 的密码文件（~/.pgpass，Windows 上 %APPDATA%\\postgresql\\pgpass.conf）"
                                   "时从中读取，否则每次启动时询问一次。"), this);
    password->setWordWrap(true);
    layout->addWidget(password);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(m_enabled, &QCheckBox::toggled, this, &ServerSettingsDialog::enableFields);
    connect(m_connection, &QLineEdit::textChanged, this, &ServerSettingsDialog::enableFields);
    connect(m_sslMode, &QComboBox::currentIndexChanged, this, &ServerSettingsDialog::enableFields);
    enableFields();
}

void ServerSettingsDialog::enableFields()
{
    const bool on = m_enabled->isChecked();
    const bool byFields = on && m_connection->text().trimmed().isEmpty();
    for (QWidget *field : { static_cast<QWidget *>(m_host), static_cast<QWidget *>(m_port), static_cast<QWidget *>(m_database),
                            static_cast<QWidget *>(m_user), static_cast<QWidget *>(m_sslMode) })
        field->setEnabled(byFields);
    m_caFile->setEnabled(byFields && m_sslMode->currentData() == QLatin1String("verify-full"));
    m_connection->setEnabled(on);
}

ServerSettings ServerSettingsDialog::settings() const
{
    ServerSettings s;
    s.enabled = m_enabled->isChecked();
    s.host = m_host->text().trimmed();
    s.port = m_port->value();
    s.database = m_database->text().trimmed();
    s.user = m_user->text().trimmed();
    s.sslMode = m_sslMode->currentData().toString();
    s.sslRootCert = QDir::fromNativeSeparators(m_caFile->text().trimmed());
    s.connection = m_connection->text().trimmed();
    s.connectTimeout = m_timeout;
    return s;
}

void ServerSettingsDialog::accept()
{
    const ServerSettings s = settings();
    const QString problem = s.enabled ? s.problem() : QString();
    m_problem->setText(problem);
    if (problem.isEmpty())
        QDialog::accept();
}
