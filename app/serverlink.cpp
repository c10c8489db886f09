#include "serverlink.h"

#include "archivedialog.h"
#include "archivelink.h"
#include "serverconnection.h"
#include "serversettingsdialog.h"
#include "serversync.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

ServerLink::ServerLink(QWidget *window, ArchiveLink *archive, QStatusBar *bar)
    : QObject(window)
    , m_window(window)
    , m_archive(archive)
    , m_localState(new QLabel(bar))
    , m_serverState(new QLabel(bar))
    , m_settingsAction(new QAction(tr("档案库"), window))
{
    m_localState->setObjectName(QStringLiteral("archiveState"));
    m_serverState->setObjectName(QStringLiteral("serverState"));
    bar->addPermanentWidget(m_localState, 1);
    bar->addPermanentWidget(m_serverState);
    m_settingsAction->setObjectName(QStringLiteral("action_archive_server"));
    connect(m_settingsAction, &QAction::triggered, this, &ServerLink::editSettings);

    const auto showLocal = [this](const QString &text, bool problem) {
        m_localState->setText(text.section(u'\n', 0, 0));
        m_localState->setToolTip(text);
        m_localState->setStyleSheet(problem ? QStringLiteral("color: #b00000") : QString());
    };
    connect(archive, &ArchiveLink::stateChanged, this, showLocal);
    showLocal(archive->stateText(), false);
    connect(archive, &ArchiveLink::changed, this, [this] {
        if (m_sync)
            m_sync->syncNow();
    });
    connect(archive, &ArchiveLink::archiveWindowOpened, this, &ServerLink::joinSearch);
    apply(ServerSettings::load());
}

ServerLink::~ServerLink() = default;

QString ServerLink::stateText() const
{
    return m_serverState->text();
}

void ServerLink::apply(const ServerSettings &settings)
{
    m_settings = settings;
    m_sync.reset();
    m_search.reset();
    m_reachable = false;
    m_reason.clear();
    m_serverState->setToolTip(settings.enabled ? settings.displayName() : QString());
    if (!settings.enabled) {
        m_serverState->setText(tr("档案库：仅本机"));
        return;
    }
    const QString problem = settings.problem();
    if (!problem.isEmpty()) {
        m_reason = problem;
        m_serverState->setText(tr("无法连接：%1").arg(problem));
        return;
    }
    m_serverState->setText(tr("正在连接服务器…"));
    m_sync = std::make_unique<ServerSync>(m_archive->path(), settings.conninfo());
    connect(m_sync.get(), &ServerSync::stateChanged, m_serverState, [this](const QString &text, qint64 unsent) {
        // Away, and what waits for it.
        const bool away = !text.startsWith(tr("已同步")) && !text.startsWith(tr("未同步"));
        m_serverState->setText(away && unsent > 0 ? tr("%1；未同步 %2 组").arg(text).arg(unsent) : text);
    });
    connect(m_sync.get(), &ServerSync::finished, this, [this](bool ok, const QString &error) {
        m_reachable = ok;
        m_reason = error;
        emit passFinished(ok);
    });
    connect(m_sync.get(), &ServerSync::passwordNeeded, this, &ServerLink::askPassword);
}

void ServerLink::editSettings()
{
    ServerSettingsDialog dialog(m_settings, m_archive->path(), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ServerSettings settings = dialog.settings();
    settings.save();
    m_asked = false; // another server or user may want another password
    apply(settings);
}

void ServerLink::askPassword()
{
    // Once per start: a password refused is told in the status bar, not asked again.
    if (m_asked)
        return;
    m_asked = true;
    auto *dialog = new QInputDialog(m_window);
    dialog->setObjectName(QStringLiteral("serverPassword"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("档案库"));
    dialog->setLabelText(tr("部门档案服务器 %1 的密码（不会保存）：").arg(m_settings.displayName()));
    dialog->setTextEchoMode(QLineEdit::Password);
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString &password) {
        ServerConnection::setSessionPassword(password);
        if (m_sync)
            m_sync->syncNow();
    });
    dialog->open();
}

void ServerLink::joinSearch(ArchiveDialog *dialog)
{
    if (!m_settings.enabled)
        return;
    // Asked only when the last pass reached it: a server known to be away
    // would hold the window up to its connect timeout.
    if (!m_reachable) {
        dialog->setServer(nullptr, m_reason.isEmpty() ? tr("尚未连接") : m_reason);
        return;
    }
    if (!m_search)
        m_search = std::make_unique<ServerConnection>(m_settings.conninfo());
    dialog->setServer(m_search.get(), QString());
}
