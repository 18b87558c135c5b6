// One request per connection against a real loopback peer.
#include "core/net/RequestEngine.h"
#include "support/LoopbackServer.h"

#include <QSignalSpy>
#include <QTest>

using namespace tavrin;
using namespace tavrin::test;

class TestRequestEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sendsIdLineAndCommandInOnePiece();
    void gathersChunkedReplyUntilClose();
    void errorPrefixSplitOverPiecesIsRecognisedOnce();
    void refusedConnectionIsTold();
    void oversizedReplyEndsTheExchange();
    void newRequestAbandonsTheOldOne();
};

void TestRequestEngine::sendsIdLineAndCommandInOnePiece()
{
    LoopbackServer server;
    RequestEngine engine;
    QSignalSpy done(&engine, &RequestEngine::replyCompleted);
    engine.startRequest(RequestKind::Single, "ADD|x|y,z", QStringLiteral("127.0.0.1"),
                        server.port(), "\xe9id");
    QVERIFY(done.wait());
    QCOMPARE(server.requestBytes(), QList<QByteArray>{QByteArray("ID|\xe9id\nADD|x|y,z")});
    QCOMPARE(done.first().at(0).value<RequestKind>(), RequestKind::Single);
}

void TestRequestEngine::gathersChunkedReplyUntilClose()
{
    LoopbackServer server;
    const QByteArray reply = "header\nfile|1|T1\nfile2|2|T2\n";
    server.setResponder([reply](const QByteArray&) { return reply; });
    server.setChunkSize(4);
    RequestEngine engine;
    QSignalSpy first(&engine, &RequestEngine::firstDataArrived);
    QSignalSpy done(&engine, &RequestEngine::replyCompleted);
    engine.startRequest(RequestKind::Status, "QUERY|", QStringLiteral("127.0.0.1"), server.port(),
                        "");
    QVERIFY(done.wait());
    QCOMPARE(done.first().at(1).toByteArray(), reply);
    QCOMPARE(done.first().at(2).toBool(), false);
    QCOMPARE(first.size(), 1);
    QVERIFY(engine.receiveBuffer().isEmpty());
}

void TestRequestEngine::errorPrefixSplitOverPiecesIsRecognisedOnce()
{
    LoopbackServer server;
    server.setResponder([](const QByteArray&) { return QByteArray("Feedback\nError=Bad ID\n"); });
    server.setChunkSize(5);
    RequestEngine engine;
    QSignalSpy errors(&engine, &RequestEngine::errorReplyReceived);
    QSignalSpy done(&engine, &RequestEngine::replyCompleted);
    engine.startRequest(RequestKind::Status, "QUERY|", QStringLiteral("127.0.0.1"), server.port(),
                        "");
    QVERIFY(done.wait());
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().at(0).toByteArray(), QByteArray("Bad ID\n"));
    QCOMPARE(done.first().at(2).toBool(), true);
}

void TestRequestEngine::refusedConnectionIsTold()
{
    RequestEngine engine;
    QSignalSpy failed(&engine, &RequestEngine::socketFailed);
    engine.startRequest(RequestKind::Status, "QUERY|", QStringLiteral("127.0.0.1"),
                        LoopbackServer::unusedPort(), "");
    QVERIFY(failed.wait());
    QCOMPARE(failed.first().at(1).toBool(), true);
}

void TestRequestEngine::oversizedReplyEndsTheExchange()
{
    LoopbackServer server;
    server.setResponder([](const QByteArray&) { return QByteArray(5000, 'x'); });
    RequestEngine engine;
    engine.setReplyLimit(1000);
    QSignalSpy failed(&engine, &RequestEngine::socketFailed);
    QSignalSpy done(&engine, &RequestEngine::replyCompleted);
    engine.startRequest(RequestKind::Status, "QUERY|", QStringLiteral("127.0.0.1"), server.port(),
                        "");
    QVERIFY(failed.wait());
    QCOMPARE(failed.first().at(1).toBool(), false);
    QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("too large")));
    QTest::qWait(50);
    QCOMPARE(done.size(), 0);
    QVERIFY(engine.receiveBuffer().isEmpty());
}

void TestRequestEngine::newRequestAbandonsTheOldOne()
{
    LoopbackServer server;
    int n = 0;
    server.setResponder([&n](const QByteArray&) {
        return ++n == 1 ? QByteArray("stale\nold|T0\n") : QByteArray("fresh\nnew|T1\n");
    });
    server.setKeepOpen(true);
    RequestEngine engine;
    QSignalSpy first(&engine, &RequestEngine::firstDataArrived);
    engine.startRequest(RequestKind::PauseAll, "PAUSE|T0", QStringLiteral("127.0.0.1"),
                        server.port(), "");
    QVERIFY(first.wait());
    QCOMPARE(engine.receiveBuffer(), QByteArray("stale\nold|T0\n"));

    server.setKeepOpen(false);
    QSignalSpy done(&engine, &RequestEngine::replyCompleted);
    engine.startRequest(RequestKind::Status, "QUERY|", QStringLiteral("127.0.0.1"), server.port(),
                        "");
    QVERIFY(done.wait());
    QCOMPARE(done.size(), 1);
    // Nothing of the abandoned exchange leaks into the next reply.
    QCOMPARE(done.first().at(1).toByteArray(), QByteArray("fresh\nnew|T1\n"));
    QCOMPARE(done.first().at(0).value<RequestKind>(), RequestKind::Status);
}

QTEST_GUILESS_MAIN(TestRequestEngine)
#include "tst_requestengine.moc"
