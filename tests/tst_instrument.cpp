// The instrument program on a pseudo-terminal, talked to through a real
// serial port object with the tool's line settings, commands and framing.

#include <QSerialPort>
#include <QTemporaryFile>
#include <QtTest>

#include "device/deviceprotocol.h"
#include "device/replyframer.h"
#include "instrumentprocess.h"

using DeviceProtocol::Reply;

namespace {

// The tool's side of the link: the port, opened and set as the tool does,
// with every arrival framed into reply lines.
class Line
{
public:
    Line()
    {
        QObject::connect(&port, &QSerialPort::readyRead, &port, [this] {
            const QByteArray arrival = port.readAll();
            received += arrival;
            lines += framer.take(arrival);
        });
        QObject::connect(&port, &QSerialPort::errorOccurred, &port,
                         [this](QSerialPort::SerialPortError error) {
                             if (error == QSerialPort::NoError)
                                 return;
                             ++errorCount;
                             if (errors.isEmpty() || errors.last() != error)
                                 errors.append(error);
                             if (closeOnError)
                                 port.close();
                         });
    }

    // Empty when the port is open and set to 9600 baud, 8 data bits, no
    // parity, one stop bit; otherwise what went wrong.
    QString open(const QString &path)
    {
        port.setPortName(path);
        if (!port.open(QIODevice::ReadWrite))
            return QStringLiteral("open: ") + port.errorString();
        if (!port.setBaudRate(QSerialPort::Baud9600) || !port.setDataBits(QSerialPort::Data8)
            || !port.setParity(QSerialPort::NoParity) || !port.setStopBits(QSerialPort::OneStop))
            return QStringLiteral("settings: ") + port.errorString();
        if (port.baudRate() != 9600 || port.dataBits() != QSerialPort::Data8
            || port.parity() != QSerialPort::NoParity || port.stopBits() != QSerialPort::OneStop)
            return QStringLiteral("settings not kept");
        return QString();
    }

    bool send(const char *command)
    {
        const QByteArray bytes = DeviceProtocol::encodeCommand(QString::fromLatin1(command));
        return port.write(bytes) == bytes.size();
    }

    QSerialPort port;
    ReplyFramer framer;
    QByteArray received; // every byte, as it came
    QStringList lines;
    QList<QSerialPort::SerialPortError> errors; // in order, repeats folded
    int errorCount = 0;
    bool closeOnError = true;
};

// The bytes of reply lines as the instrument is told to send them.
QByteArray onTheWire(const QStringList &lines, const QStringList &arguments)
{
    QByteArray bytes;
    for (const QString &text : lines) {
        if (arguments.contains("--colon"))
            bytes += ':';
        bytes += text.toLatin1() + (arguments.contains("--lf-cr") ? "\n\r" : "\r\n");
    }
    return bytes;
}

QStringList withEnd(QStringList groups)
{
    groups << QString::fromLatin1(DeviceProtocol::EndReply);
    return groups;
}

} // namespace

class TestInstrument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storedGroups();
    void read_data();
    void read();
    void deleteEmptiesStore_data();
    void deleteEmptiesStore();
    void hangUp_data();
    void hangUp();

private:
    QString m_groupFile;
    QStringList m_fileGroups;
    QTemporaryDir m_dir;
};

void TestInstrument::initTestCase()
{
    QVERIFY2(!InstrumentProcess::programPath().isEmpty(), "the build has no instrument program");
    QVERIFY(m_dir.isValid());
    // Groups of a file: an empty group and one ending in "end" included.
    m_fileGroups = QStringList{
        "50.00 1.0000 1.0000 1.0000 0.0000 230.00 230.00 230.00 0.0 0.0 0.0 12.0 12.0 12.0 12.0 12.0 12.0 2 0",
        "",
        "1.0 2.0end",
        "49.90 0.5000 0.0000 0.5000 0.0000 100.00 0.00 100.00 6.0 0.0 6.0 30.0 0.0 6.0 30.0 0.0 6.0 1 7",
    };
    m_groupFile = m_dir.filePath("groups.txt");
    QFile file(m_groupFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(m_fileGroups.join(u'\n').toLatin1() + '\n');
}

// The built-in store holds well-formed three-wire and four-wire groups; a
// file replaces it unless the built-in groups are asked for too.
void TestInstrument::storedGroups()
{
    const QStringList builtIn = InstrumentProcess::storedGroups();
    QVERIFY(builtIn.size() >= 2);
    QSet<QString> wiringCodes;
    for (const QString &group : builtIn) {
        const QStringList fields = group.split(u' ');
        QCOMPARE(fields.size(), 19);
        for (const QString &field : fields) {
            bool ok = false;
            field.toDouble(&ok);
            QVERIFY2(ok, qPrintable(group));
        }
        wiringCodes << fields[17];
    }
    QCOMPARE(wiringCodes, (QSet<QString>{ "1", "2" }));

    QCOMPARE(InstrumentProcess::storedGroups({ "--groups", m_groupFile }), m_fileGroups);
    QCOMPARE(InstrumentProcess::storedGroups({ "--groups", m_groupFile, "--defaults" }),
             m_fileGroups + builtIn);
}

void TestInstrument::read_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("fromFile");

    QTest::newRow("whole, CR LF") << QStringList{} << false;
    QTest::newRow("whole, LF CR") << QStringList{ "--lf-cr" } << false;
    QTest::newRow("whole, colon") << QStringList{ "--colon" } << false;
    QTest::newRow("bytes, CR LF") << QStringList{ "--bytes" } << false;
    QTest::newRow("bytes, LF CR, colon") << QStringList{ "--bytes", "--lf-cr", "--colon" } << false;
    QTest::newRow("bytes, 1 ms apart") << QStringList{ "--bytes", "--delay", "1" } << false;
    QTest::newRow("packets of 2, LF CR") << QStringList{ "--packets", "2", "--lf-cr" } << false;
    QTest::newRow("packets of 7") << QStringList{ "--packets", "7" } << false;
    QTest::newRow("packets of 64, colon, 5 ms apart")
        << QStringList{ "--packets", "64", "--colon", "--delay", "5" } << false;
    QTest::newRow("random pieces, seed 1") << QStringList{ "--random", "1" } << false;
    QTest::newRow("random pieces, seed 2, LF CR, 1 ms apart")
        << QStringList{ "--random", "2", "--lf-cr", "--delay", "1" } << false;
    QTest::newRow("random pieces, seed 3, colon, LF CR")
        << QStringList{ "--random", "3", "--colon", "--lf-cr" } << false;
    QTest::newRow("file groups, whole") << QStringList{} << true;
    QTest::newRow("file groups, bytes, LF CR, colon")
        << QStringList{ "--bytes", "--lf-cr", "--colon", "--delay", "1" } << true;
    QTest::newRow("file groups, random pieces, seed 4")
        << QStringList{ "--random", "4" } << true;
}

// A read brings every stored group, in order, then "end"; a connect right
// after it shows that nothing else came in between.
void TestInstrument::read()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, fromFile);
    if (fromFile)
        arguments << "--groups" << m_groupFile;
    const QStringList groups = fromFile ? m_fileGroups : InstrumentProcess::storedGroups(arguments);
    QVERIFY(!groups.isEmpty());

    InstrumentProcess instrument;
    QVERIFY2(instrument.start(arguments), qPrintable(instrument.errorText()));
    Line line;
    const QString problem = line.open(instrument.portPath());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QVERIFY(line.send(DeviceProtocol::ReadCommand));
    QTRY_VERIFY_WITH_TIMEOUT(line.lines.contains("end"), 10000);
    QVERIFY(line.send(DeviceProtocol::ConnectCommand));
    QTRY_VERIFY_WITH_TIMEOUT(line.lines.contains("OK"), 10000);

    QCOMPARE(line.lines, withEnd(groups) << "OK");
    QCOMPARE(line.received, onTheWire(line.lines, arguments));
    for (qsizetype i = 0; i < groups.size(); ++i)
        QCOMPARE(DeviceProtocol::classifyReply(line.lines[i]), Reply::Group);
    QCOMPARE(DeviceProtocol::classifyReply(line.lines[groups.size()]), Reply::End);
    QCOMPARE(instrument.receivedCommands(2),
             (QList<QByteArray>{ ":Read\r\n", ":Connect\r\n" }));
    QVERIFY(line.errors.isEmpty());
}

void TestInstrument::deleteEmptiesStore_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("built-in groups, CR LF") << QStringList{};
    QTest::newRow("file groups, LF CR, colon, packets of 3")
        << QStringList{ "--groups", "FILE", "--lf-cr", "--colon", "--packets", "3" };
}

void TestInstrument::deleteEmptiesStore()
{
    QFETCH(QStringList, arguments);
    arguments.replaceInStrings("FILE", m_groupFile);
    const QStringList groups = InstrumentProcess::storedGroups(arguments);
    QVERIFY(!groups.isEmpty());

    InstrumentProcess instrument;
    QVERIFY2(instrument.start(arguments), qPrintable(instrument.errorText()));
    Line line;
    const QString problem = line.open(instrument.portPath());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QVERIFY(line.send(DeviceProtocol::ConnectCommand));
    QTRY_COMPARE(line.lines, QStringList{ "OK" });
    QVERIFY(line.send(DeviceProtocol::ReadCommand));
    QTRY_COMPARE(line.lines, QStringList{ "OK" } + withEnd(groups));
    line.lines.clear();

    QVERIFY(line.send(DeviceProtocol::DeleteCommand));
    QTRY_COMPARE(line.lines, QStringList{ "DELOK" });
    QCOMPARE(DeviceProtocol::classifyReply(line.lines.first()), Reply::Deleted);
    QVERIFY(line.send(DeviceProtocol::ReadCommand));
    QTRY_COMPARE(line.lines, (QStringList{ "DELOK", "end" }));

    QCOMPARE(instrument.receivedCommands(4),
             (QList<QByteArray>{ ":Connect\r\n", ":Read\r\n", ":Del\r\n", ":Read\r\n" }));
}

void TestInstrument::hangUp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("groupsBefore");

    QTest::newRow("at once") << QStringList{} << 0;
    QTest::newRow("after 1 group, bytes") << QStringList{ "--bytes" } << 1;
    QTest::newRow("after 2 groups, packets of 5, LF CR")
        << QStringList{ "--packets", "5", "--lf-cr" } << 2;
    QTest::newRow("after all groups, before end")
        << QStringList{ "--colon" } << int(InstrumentProcess::storedGroups().size());
}

// A pulled cable during a read: the groups sent before it arrive whole, no
// "end" comes, the port reports an error, and the program ends.
void TestInstrument::hangUp()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, groupsBefore);
    const QStringList groups = InstrumentProcess::storedGroups(arguments);
    QVERIFY(groupsBefore <= groups.size());

    InstrumentProcess instrument;
    QVERIFY2(instrument.start(arguments << "--hangup-after" << QString::number(groupsBefore)),
             qPrintable(instrument.errorText()));
    Line line;
    const QString problem = line.open(instrument.portPath());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QVERIFY(line.send(DeviceProtocol::ConnectCommand));
    QTRY_COMPARE(line.lines, QStringList{ "OK" });
    QVERIFY(line.send(DeviceProtocol::ReadCommand));

    QTRY_VERIFY_WITH_TIMEOUT(!line.errors.isEmpty(), 10000);
    QVERIFY2(line.errors.first() == QSerialPort::ReadError
                 || line.errors.first() == QSerialPort::ResourceError,
             qPrintable(QStringLiteral("error %1").arg(line.errors.first())));
    QVERIFY(!line.port.isOpen());
    QVERIFY(instrument.waitForExit());
    QCOMPARE(line.lines, QStringList{ "OK" } + groups.mid(0, groupsBefore));
}

QTEST_GUILESS_MAIN(TestInstrument)
#include "tst_instrument.moc"
