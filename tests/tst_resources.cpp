// The resource collection: every picture at its path, format and size, and
// the toolkit's Chinese catalogue, all resolvable before any window exists.

#include <QtTest>
#include <QImageReader>
#include <QTranslator>

class ResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void pictures_data();
    void pictures();
    void catalogueLoads();
};

void ResourcesTest::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("logo") << ":/pic/logo.jpg" << QByteArray("jpeg") << QSize(926, 1000);
    QTest::newRow("start") << ":/pic/start.png" << QByteArray("png") << QSize(48, 48);
    QTest::newRow("stop") << ":/pic/stop.png" << QByteArray("png") << QSize(48, 48);
    QTest::newRow("down") << ":/pic/down.png" << QByteArray("png") << QSize(48, 48);
    QTest::newRow("del") << ":/pic/del.png" << QByteArray("png") << QSize(48, 48);
    QTest::newRow("save") << ":/pic/save.png" << QByteArray("png") << QSize(48, 48);
    QTest::newRow("open") << ":/pic/open.png" << QByteArray("png") << QSize(32, 32);
    QTest::newRow("go") << ":/pic/go.png" << QByteArray("png") << QSize(24, 24);
    QTest::newRow("word") << ":/pic/word.png" << QByteArray("png") << QSize(256, 256);
    QTest::newRow("excel") << ":/pic/excel.png" << QByteArray("png") << QSize(256, 256);
}

void ResourcesTest::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    QVERIFY2(QFile::exists(path), qPrintable(path));
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // Not a blank placeholder: the picture has more than one colour.
    const QRgb first = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3)
        for (int x = 0; x < image.width() && !varied; x += 3)
            varied = image.pixel(x, y) != first;
    QVERIFY(varied);
}

void ResourcesTest::catalogueLoads()
{
    QVERIFY(QFile::exists(QStringLiteral(":/qt_zh_CN.qm")));
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/qt_zh_CN")));
    QVERIFY(!translator.isEmpty());
    QCOMPARE(translator.language(), QStringLiteral("zh_CN"));
    // It translates the toolkit's own texts, e.g. the message box button.
    QVERIFY(!translator.translate("QPlatformTheme", "OK").isEmpty());
}

// Before QGuiApplication exists, as the tool's own start-up loads them.
QTEST_APPLESS_MAIN(ResourcesTest)
#include "tst_resources.moc"
