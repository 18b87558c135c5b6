// The window and tavrin-cli take the same status replies from the same loopback server: a valid
// reply shows the same torrents with the same texts in both; an invalid one gets the same words.
#include "support/ProcessRun.h"
#include "support/StatusRows.h"
#include "support/WindowHarness.h"

#include <QTemporaryDir>

using namespace tavrin;
using namespace tavrin::test;
using B = QByteArray;

class TestReplyAgreement : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    ProcessRun runCli(quint16 port)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        return runProcess(
            QStringLiteral(TAVRIN_CLI_PATH),
            {"--host", "127.0.0.1", "--port", QString::number(port), "--id", "me", "list"}, env);
    }

private Q_SLOTS:
    // `error` empty: the reply is valid.
    void sameRepliesSameList_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("error");
        QTest::newRow("two torrents")
            << statusReply({v3Row("A", {{1, "one"}, {7, "1750"}}), v3Row("B", {{5, "250"}})})
            << QString();
        QTest::newRow("empty lines and a final LF")
            << B("Header\n\n" + v3Row("A") + "\n\n" + v3Row("B") + "\n") << QString();
        QTest::newRow("header only") << B("Header only") << QString();
        QTest::newRow("more fields than the layout uses")
            << statusReply({v3Row("A") + "|extra|X"}) << QString();
        QTest::newRow("duplicate identifier: one torrent, the later row's sub-items")
            << statusReply(
                   {v3Row("A", {{1, "first"}, {2, "10"}}), v3Row("A", {{1, "second"}, {2, "20"}})})
            << QString();
        QTest::newRow("short row of a new torrent")
            << statusReply({v3Row("A"), B("f1|f2|f3|S")})
            << "Error - The row has 4 fields; column \"ETA\" shows field 5.";
        QTest::newRow("short row of a known torrent")
            << statusReply({v3Row("A"), B("A")})
            << "Error - The row has 1 fields; column \"Progress\" shows field 2.";
        QTest::newRow("one field only")
            << statusReply({B("lonely")})
            << "Error - The row has 1 fields; column \"Progress\" shows field 2.";
    }
    void sameRepliesSameList()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, error);

        WindowHarness h;
        h.server.setResponder([&reply](const QByteArray&) { return std::optional(reply); });
        h.connectAs(QStringLiteral("me"));
        h.refresh();
        const ProcessRun cli = runCli(h.server.port());

        if (!error.isEmpty()) {
            QCOMPARE(h.env.prompter.texts(), QStringList{error});
            QCOMPARE(cli.status, 3);
            QCOMPARE(cli.out, QByteArray());
            QCOMPARE(cli.err, "tavrin-cli: " + error.toUtf8() + '\n');
            return;
        }
        QCOMPARE(h.env.prompter.texts(), QStringList());
        QCOMPARE(cli.status, 0);
        // The table: a header line, then one line per torrent with the window's texts.
        const QStringList lines = QString::fromUtf8(cli.out).split('\n', Qt::SkipEmptyParts);
        const TorrentListModel& model = h.model();
        QCOMPARE(lines.size(), model.count() + 1);
        for (int position = 1; position <= model.count(); ++position) {
            QStringList texts;
            for (int column = 0; column < model.columnCount(); ++column)
                texts << model.text(position, column);
            texts << QString::fromLatin1(model.torrentId(position));
            QCOMPARE(lines.at(position).simplified(), texts.join(' ').simplified());
        }
    }
};

QTEST_MAIN(TestReplyAgreement)
#include "tst_replyagreement.moc"
