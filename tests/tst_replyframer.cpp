// Receive framing of the instrument's replies, and the reply kinds.

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include "device/deviceprotocol.h"
#include "device/grouplist.h"
#include "device/replyframer.h"

using Arrivals = QList<QByteArray>;
using LinesPerArrival = QList<QStringList>;

namespace {

// A random measurement group as the instrument writes it: 19 numbers.
QString randomGroup(QRandomGenerator &random)
{
    QStringList fields;
    for (int i = 0; i < 19; ++i) {
        const double value = random.bounded(100000) / 100.0;
        fields << QString::number(value, 'f', random.bounded(5));
    }
    return fields.join(u' ');
}

// A reply line of any kind the framing must carry through unchanged.
QString randomLine(QRandomGenerator &random)
{
    switch (random.bounded(10)) {
    case 0: return QStringLiteral("OK");
    case 1: return QStringLiteral("DELOK");
    case 2: return QStringLiteral("end");
    case 3: return QString();
    case 4: return randomGroup(random) + QStringLiteral("end");
    default: return randomGroup(random);
    }
}

// The line as sent: colons anywhere (often one in front), then its line end
// in either order.
QByteArray encodeLine(const QString &line, QRandomGenerator &random)
{
    QByteArray bytes = line.toLatin1();
    if (random.bounded(2))
        bytes.prepend(':');
    const int colons = random.bounded(3) == 0 ? random.bounded(1, 4) : 0;
    for (int i = 0; i < colons; ++i)
        bytes.insert(random.bounded(qsizetype(bytes.size() + 1)), ':');
    bytes += random.bounded(2) ? "\r\n" : "\n\r";
    return bytes;
}

QStringList takeAll(ReplyFramer &framer, const Arrivals &arrivals)
{
    QStringList lines;
    for (const QByteArray &arrival : arrivals)
        lines += framer.take(arrival);
    return lines;
}

bool onlyLineFeeds(const QString &text)
{
    return QString(text).remove(u'\n').isEmpty();
}

} // namespace

class TestReplyFramer : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void splitAtEveryPosition_data();
    void splitAtEveryPosition();
    void randomStreams_data();
    void randomStreams();
    void overlongText_data();
    void overlongText();
    void classifyReply_data();
    void classifyReply();
    void encodeCommand_data();
    void encodeCommand();
};

void TestReplyFramer::framing_data()
{
    QTest::addColumn<Arrivals>("arrivals");
    QTest::addColumn<LinesPerArrival>("expected"); // lines out of each arrival
    QTest::addColumn<QString>("pending");          // text left at the end

    QTest::newRow("colon O | K CR | LF: handled when the LF arrives")
        << Arrivals{ ":O", "K\r", "\n" } << LinesPerArrival{ {}, {}, { "OK" } } << QString();
    QTest::newRow("OK LF CR") << Arrivals{ "OK\n\r" } << LinesPerArrival{ { "OK" } } << QString();
    QTest::newRow("OK CR alone waits for a line feed")
        << Arrivals{ "OK\r", "\n" } << LinesPerArrival{ {}, { "OK" } } << QString();
    QTest::newRow("OK CR waits until a later arrival brings a line feed")
        << Arrivals{ "OK\r", "DE", "LOK\r\n" } << LinesPerArrival{ {}, {}, { "OK", "DELOK" } }
        << QString();
    QTest::newRow("O colon K CR LF") << Arrivals{ "O:K\r\n" } << LinesPerArrival{ { "OK" } }
                                     << QString();
    QTest::newRow("lower-case ok") << Arrivals{ "ok\r\n" } << LinesPerArrival{ { "ok" } }
                                   << QString();
    QTest::newRow("zero byte ends the arrival")
        << Arrivals{ QByteArray("OK\0X\r\n", 6) } << LinesPerArrival{ {} } << QString("OK");
    QTest::newRow("text before a zero byte joins the next arrival")
        << Arrivals{ QByteArray("DEL\0OK\r\n", 8), "OK\r\n" }
        << LinesPerArrival{ {}, { "DELOK" } } << QString();
    QTest::newRow("zero byte first: nothing taken")
        << Arrivals{ QByteArray("\0OK\r\n", 5) } << LinesPerArrival{ {} } << QString();
    QTest::newRow("several lines in one arrival")
        << Arrivals{ "OK\r\nDELOK\r\n1 2 3\r\nend\r\n" }
        << LinesPerArrival{ { "OK", "DELOK", "1 2 3", "end" } } << QString();
    QTest::newRow("last group and end in one packet")
        << Arrivals{ "1 2\r\n3 ", "4\r\nend\r\n" }
        << LinesPerArrival{ { "1 2" }, { "3 4", "end" } } << QString();
    QTest::newRow("unfinished rest kept")
        << Arrivals{ "a\r\nb\r\nc", "d\r\n" } << LinesPerArrival{ { "a", "b" }, { "cd" } }
        << QString();
    QTest::newRow("LF CR: last CR arrives alone")
        << Arrivals{ "a\n\rend\n", "\r" } << LinesPerArrival{ { "a" }, { "end" } } << QString();
    QTest::newRow("LF CR: every CR in the next arrival")
        << Arrivals{ "a\n", "\rb\n", "\r" } << LinesPerArrival{ {}, { "a" }, { "b" } }
        << QString();
    QTest::newRow("LF CR: empty line whose CR comes later")
        << Arrivals{ "a\n\r\n", "\r" } << LinesPerArrival{ { "a" }, { "" } } << QString();
    QTest::newRow("CR LF: every LF in the next arrival")
        << Arrivals{ "a\r", "\nb\r", "\n" } << LinesPerArrival{ {}, { "a", "b" }, {} }
        << QString();
    QTest::newRow("both orders mixed")
        << Arrivals{ "a\r\nb\n\rc\r\n" } << LinesPerArrival{ { "a", "b", "c" } } << QString();
    QTest::newRow("line feed inside a line is dropped")
        << Arrivals{ "O\nK\r" } << LinesPerArrival{ { "OK" } } << QString();
    QTest::newRow("colons inside words")
        << Arrivals{ ":1:2 3:4:\r\n::\r\n" } << LinesPerArrival{ { "12 34", "" } }
        << QString();
    QTest::newRow("group with end framed as is")
        << Arrivals{ "1.0 2.0end\r\n" } << LinesPerArrival{ { "1.0 2.0end" } } << QString();
    QTest::newRow("empty lines")
        << Arrivals{ "\r\n", "a\r\n\r\nb\r\n" } << LinesPerArrival{ { "" }, { "a", "", "b" } }
        << QString();
    QTest::newRow("line feed without carriage return waits")
        << Arrivals{ "abc\n", "def" } << LinesPerArrival{ {}, {} } << QString("abc\ndef");
    QTest::newRow("one character per byte")
        << Arrivals{ "\xB0\xE9\xFF\r\n" } << LinesPerArrival{ { QString::fromLatin1("\xB0\xE9\xFF") } }
        << QString();
    QTest::newRow("empty arrivals change nothing")
        << Arrivals{ "", "OK\r", "", "\n" } << LinesPerArrival{ {}, {}, {}, { "OK" } }
        << QString();
}

void TestReplyFramer::framing()
{
    QFETCH(Arrivals, arrivals);
    QFETCH(LinesPerArrival, expected);
    QFETCH(QString, pending);

    ReplyFramer framer;
    LinesPerArrival actual;
    for (const QByteArray &arrival : arrivals)
        actual << framer.take(arrival);
    QCOMPARE(actual, expected);
    QCOMPARE(framer.pending(), pending);
}

void TestReplyFramer::splitAtEveryPosition_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    const QStringList replies{ "OK", "50.00 1.5000 220.10 3.0 2 0", "", "1 2end", "end", "DELOK" };
    QByteArray crLf, lfCr, colons, mixed;
    for (int i = 0; i < replies.size(); ++i) {
        const QByteArray line = replies[i].toLatin1();
        crLf += line + "\r\n";
        lfCr += line + "\n\r";
        colons += ":" + line + (i % 2 ? "\n\r" : "\r\n");
        QByteArray inner = line;
        inner.insert(inner.size() / 2, ':');
        mixed += inner + (i % 2 ? "\r\n" : "\n\r");
    }
    QTest::newRow("CR LF") << crLf << replies;
    QTest::newRow("LF CR") << lfCr << replies;
    QTest::newRow("leading colons, both orders") << colons << replies;
    QTest::newRow("inner colons, both orders") << mixed << replies;
}

// The stream cut into three arrivals at every pair of positions (empty
// arrivals included): every reply comes out exactly once, in order.
void TestReplyFramer::splitAtEveryPosition()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    const qsizetype size = stream.size();
    for (qsizetype first = 0; first <= size; ++first) {
        for (qsizetype second = first; second <= size; ++second) {
            ReplyFramer framer;
            const QStringList lines = takeAll(
                framer,
                { stream.left(first), stream.mid(first, second - first), stream.mid(second) });
            if (lines != expected || !onlyLineFeeds(framer.pending())) {
                QFAIL(qPrintable(QStringLiteral("cut at %1 and %2: got \"%3\", pending \"%4\"")
                                     .arg(first)
                                     .arg(second)
                                     .arg(lines.join(u'|'), framer.pending())));
            }
        }
    }
}

void TestReplyFramer::randomStreams_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("largestPiece");

    QTest::newRow("small pieces, seed 1") << 1u << 4;
    QTest::newRow("small pieces, seed 2") << 2u << 8;
    QTest::newRow("medium pieces, seed 3") << 3u << 40;
    QTest::newRow("large pieces, seed 4") << 4u << 600;
}

// Random reply streams cut into random pieces: every line comes out exactly
// once and in order, whatever the cuts.
void TestReplyFramer::randomStreams()
{
    QFETCH(quint32, seed);
    QFETCH(int, largestPiece);

    QRandomGenerator random(seed);
    for (int round = 0; round < 200; ++round) {
        QStringList sent;
        QByteArray stream;
        const int count = random.bounded(1, 25);
        for (int i = 0; i < count; ++i) {
            sent << randomLine(random);
            stream += encodeLine(sent.last(), random);
        }

        ReplyFramer framer;
        QStringList received;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype piece = random.bounded(largestPiece + 1);
            received += framer.take(stream.mid(at, piece));
            at += piece;
        }
        if (received != sent || !onlyLineFeeds(framer.pending())) {
            QFAIL(qPrintable(QStringLiteral("round %1 of stream \"%2\": got \"%3\"")
                                 .arg(round)
                                 .arg(QString::fromLatin1(stream.toPercentEncoding()),
                                      received.join(u'|'))));
        }
    }
}

void TestReplyFramer::overlongText_data()
{
    QTest::addColumn<QByteArray>("unit");  // repeated without a complete line
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("perArrival");

    QTest::newRow("letters in arrivals of 1000") << QByteArray("x") << 200000 << 1000;
    QTest::newRow("letters in one arrival") << QByteArray("x") << 150000 << 150000;
    QTest::newRow("carriage returns without line feed") << QByteArray("7\r") << 50000 << 4096;
    QTest::newRow("line feeds without carriage return") << QByteArray("7\n") << 50000 << 3000;
}

// Text that never makes a line is bounded; the link keeps working.
void TestReplyFramer::overlongText()
{
    QFETCH(QByteArray, unit);
    QFETCH(int, units);
    QFETCH(int, perArrival);

    const QByteArray text = unit.repeated(units);
    ReplyFramer framer;
    for (qsizetype at = 0; at < text.size(); at += perArrival) {
        const QByteArray arrival = text.mid(at, perArrival);
        if (framer.pending().size() + arrival.size() > ReplyFramer::MaxPendingText)
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("too long"));
        QCOMPARE(framer.take(arrival), QStringList());
        QVERIFY(framer.pending().size() <= ReplyFramer::MaxPendingText);
    }
    // What is kept is the newest text.
    QCOMPARE(framer.pending(), QString::fromLatin1(text.right(ReplyFramer::MaxPendingText)));

    const QStringList lines = framer.take("\r\nOK\r\n");
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.last(), QStringLiteral("OK"));
    QCOMPARE(framer.take("1 2 3\r\n"), QStringList{ "1 2 3" });
}

void TestReplyFramer::classifyReply_data()
{
    using DeviceProtocol::Reply;
    QTest::addColumn<QString>("line");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("group"); // the group text, every "end" removed

    QTest::newRow("OK") << "OK" << Reply::Connected << "OK";
    QTest::newRow("DELOK") << "DELOK" << Reply::Deleted << "DELOK";
    QTest::newRow("end") << "end" << Reply::End << "";
    QTest::newRow("ok: a group") << "ok" << Reply::Group << "ok";
    QTest::newRow("Ok: a group") << "Ok" << Reply::Group << "Ok";
    QTest::newRow("OK with a blank: a group") << "OK " << Reply::Group << "OK ";
    QTest::newRow("DELOK with a blank in front: a group") << " DELOK" << Reply::Group << " DELOK";
    QTest::newRow("END: a group") << "END" << Reply::Group << "END";
    QTest::newRow("empty line: a group") << "" << Reply::Group << "";
    QTest::newRow("group ending in end") << "1.0 2.0end" << Reply::Group << "1.0 2.0";
    QTest::newRow("every end, wherever it stands")
        << "endend 1 en end2 nd" << Reply::Group << " 1 en 2 nd";
    QTest::newRow("an end joined by removing one") << "eendnd" << Reply::Group << "";
    QTest::newRow("64 KiB of nested ends")
        << QString(21845, u'e') + "end" + QString("nd").repeated(21845) << Reply::Group << "";
    QTest::newRow("measurement group")
        << "50.00 1.5000 1.4900 1.5100 0.0200 220.10 219.80 220.40 3.0 2.9 3.1 12.0 12.0 12.0 "
           "12.0 12.0 12.0 2 0"
        << Reply::Group
        << "50.00 1.5000 1.4900 1.5100 0.0200 220.10 219.80 220.40 3.0 2.9 3.1 12.0 12.0 12.0 "
           "12.0 12.0 12.0 2 0";
}

void TestReplyFramer::classifyReply()
{
    QFETCH(QString, line);
    QFETCH(DeviceProtocol::Reply, reply);
    QFETCH(QString, group);
    QCOMPARE(DeviceProtocol::classifyReply(line), reply);
    QCOMPARE(GroupList::groupFromReplyLine(line), group);
}

void TestReplyFramer::encodeCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("connect") << QString(DeviceProtocol::ConnectCommand)
                             << QByteArray::fromHex("3A436F6E6E6563740D0A");
    QTest::newRow("read") << QString(DeviceProtocol::ReadCommand)
                          << QByteArray::fromHex("3A526561640D0A");
    QTest::newRow("delete") << QString(DeviceProtocol::DeleteCommand)
                            << QByteArray::fromHex("3A44656C0D0A");
    QTest::newRow("one byte per character") << QString::fromLatin1("\xB0\xE9") << QByteArray("\xB0\xE9");
}

void TestReplyFramer::encodeCommand()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QCOMPARE(DeviceProtocol::encodeCommand(command), bytes);
}

QTEST_GUILESS_MAIN(TestReplyFramer)
#include "tst_replyframer.moc"
