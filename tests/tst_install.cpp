// "cmake --install" lays the tool out like any desktop program: the
// executable, a menu entry with the tool's name and icon, and the icon in
// the hicolor theme.

#include <QtTest>
#include <QImageReader>

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void installedTree();
};

namespace {

QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

} // namespace

void InstallTest::installedTree()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(DM_CMAKE_COMMAND),
                  { QStringLiteral("--install"), QStringLiteral(DM_BUILD_DIR),
                    QStringLiteral("--prefix"), prefix.path() });
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QDir root(prefix.path());
    const QFileInfo executable(root.filePath(QStringLiteral("bin/datamanager")));
    QVERIFY(executable.isFile());
    QVERIFY(executable.isExecutable());
    QVERIFY(executable.size() > 100000); // the resources are inside

    const QString entryPath = root.filePath(QStringLiteral("share/applications/datamanager.desktop"));
    const QMap<QString, QString> entry = desktopEntry(entryPath);
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("数据管理软件"));
    QCOMPARE(entry.value(QStringLiteral("Exec")), executable.fileName());
    QCOMPARE(entry.value(QStringLiteral("Icon")), QStringLiteral("datamanager"));
    QCOMPARE(entry.value(QStringLiteral("Terminal")), QStringLiteral("false"));
    QVERIFY(!entry.value(QStringLiteral("Categories")).isEmpty());

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, { entryPath });
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }

    QImageReader icon(root.filePath(QStringLiteral("share/icons/hicolor/256x256/apps/datamanager.png")));
    QCOMPARE(icon.format(), QByteArray("png"));
    QCOMPARE(icon.size(), QSize(256, 256));
    QVERIFY(!icon.read().isNull());
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
