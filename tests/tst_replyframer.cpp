// Reply lines out of the bytes from the instrument, and what each line means.

#include "deviceprotocol.h"
#include "grouplist.h"
#include "replyframer.h"

#include <QtTest>

using Arrivals = QList<QByteArray>;
using LinesPerArrival = QList<QStringList>;

class TestReplyFramer : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void replyKinds_data();
    void replyKinds();
};

void TestReplyFramer::framing_data()
{
    QTest::addColumn<Arrivals>("arrivals");
    QTest::addColumn<LinesPerArrival>("expected"); // lines out of each arrival
    QTest::addColumn<QString>("pending");          // text left at the end

    QTest::newRow("colon O | K CR | LF: handled when the LF arrives")
        << Arrivals{ ":O", "K\r", "\n" } << LinesPerArrival{ {}, {}, { "OK" } } << "";
    QTest::newRow("OK CR waits for a later line feed, LF CR")
        << Arrivals{ "OK\r", "DE", "LOK\n\r" } << LinesPerArrival{ {}, {}, { "OK", "DELOK" } } << "";
    QTest::newRow("the LF after CR belongs to its line, not to the next bare CR")
        << Arrivals{ "OK\r\n", "DELOK\r", "\n" } << LinesPerArrival{ { "OK" }, {}, { "DELOK" } } << "";
    QTest::newRow("... also when it comes in the next arrival")
        << Arrivals{ "a\r\nb\r", "\n", "c\r" } << LinesPerArrival{ { "a", "b" }, {}, {} } << "c\r";
    QTest::newRow("LF CR: the last line's CR arrives alone")
        << Arrivals{ "a\n\rend\n", "\r" } << LinesPerArrival{ { "a" }, { "end" } } << "";
    QTest::newRow("O colon K; lower-case ok; colons inside words")
        << Arrivals{ "O:K\r\nok\r\n:1:2 3:\r\n" } << LinesPerArrival{ { "OK", "ok", "12 3" } } << "";
    QTest::newRow("zero byte ends the arrival, the rest joins the next")
        << Arrivals{ QByteArray("DEL\0X\r\n", 7), "OK\r\n" } << LinesPerArrival{ {}, { "DELOK" } } << "";
    QTest::newRow("unfinished rest kept, empty lines kept")
        << Arrivals{ "a\r\n\r\nb\r\nc", "d\r\n" } << LinesPerArrival{ { "a", "", "b" }, { "cd" } } << "";
    QTest::newRow("LF without CR waits; one character per byte")
        << Arrivals{ "ab\n", "\xB0" } << LinesPerArrival{ {}, {} } << QString::fromLatin1("ab\n\xB0");
    // Text that never makes a line keeps its newest 64 KiB; the link goes on.
    const QByteArray overlong = QByteArray(40000, 'x') + "\r" + QByteArray(30000, 'y');
    QTest::newRow("overlong text") << Arrivals{ overlong, overlong }
                                   << LinesPerArrival{ {}, {} } << QString::fromLatin1(overlong.right(65536));
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
    framer.clear();
    QCOMPARE(framer.take("OK\r\n"), QStringList{ "OK" }); // nothing of before is left over
}

void TestReplyFramer::replyKinds_data()
{
    using DeviceProtocol::Reply;
    QTest::addColumn<QString>("line");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("group"); // the group text: every "end" removed

    QTest::newRow("OK") << "OK" << Reply::Connected << "OK";
    QTest::newRow("DELOK") << "DELOK" << Reply::Deleted << "DELOK";
    QTest::newRow("end") << "end" << Reply::End << "";
    QTest::newRow("ok") << "ok" << Reply::Group << "ok";
    QTest::newRow("DELOK with a blank in front") << " DELOK" << Reply::Group << " DELOK";
    QTest::newRow("empty line") << "" << Reply::Group << "";
    QTest::newRow("every end, wherever it stands") << "endend 1 en end2 nd" << Reply::Group << " 1 en 2 nd";
    QTest::newRow("64 KiB of nested ends")
        << QString(21845, u'e') + "end" + QString("nd").repeated(21845) << Reply::Group << "";
}

void TestReplyFramer::replyKinds()
{
    QFETCH(QString, line);
    QFETCH(DeviceProtocol::Reply, reply);
    QFETCH(QString, group);
    QCOMPARE(DeviceProtocol::classifyReply(line), reply);
    QCOMPARE(GroupList::groupFromReplyLine(line), group);
}

QTEST_GUILESS_MAIN(TestReplyFramer)
#include "tst_replyframer.moc"
