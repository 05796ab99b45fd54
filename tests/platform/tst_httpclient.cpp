#include "platform/ProcessHttpClient.h"
#include "platform/QtHttpClient.h"

#include <QJsonDocument>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The HTTPS client, directly and through the pellow binary as the child that makes update checks,
// against a TLS server of the test's own: a reply is the JSON object body whatever the status, any
// failure no reply, and each request is answered exactly once.
class TestHttpClient : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QSslServer m_server;
    QByteArray m_response; // empty: the server reads the request and never answers
    QByteArray m_request;

    static QByteArray http(const char* status, const QByteArray& body)
    {
        return "HTTP/1.1 " + QByteArray(status) +
               "\r\nContent-Type: application/json\r\nConnection: close\r\n" +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

    // Headers, then one byte of a long body every 100 ms, never idle long enough to time out.
    static inline const QByteArray kTrickle = "trickle";
    static void trickle(QTcpSocket* socket)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000\r\n\r\n");
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, drip, sent = 0]() mutable {
            if (++sent == 100000 || socket->state() != QAbstractSocket::ConnectedState)
                drip->stop();
            socket->write(" ");
        });
        drip->start(100);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(QProcess::execute("bash", {QStringLiteral(PELLOW_MAKE_TEST_CA), m_dir.path()}), 0);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificateChain(QSslCertificate::fromPath(m_dir.filePath("server.pem")));
        QFile key(m_dir.filePath("server.key"));
        QVERIFY(key.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(&key, QSsl::Ec));
        m_server.setSslConfiguration(tls);
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                // Answers once the request is whole: a GET's headers, or a POST's JSON body.
                connect(socket, &QSslSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    const bool whole = m_request.startsWith("GET") ? m_request.endsWith("\r\n\r\n")
                                                                   : m_request.endsWith('}');
                    if (whole && m_response == kTrickle)
                        trickle(socket);
                    else if (whole && !m_response.isEmpty())
                        socket->write(m_response);
                });
            }
        });
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("get");
        QTest::addColumn<QString>("reply"); // empty: none
        QTest::addColumn<bool>("child");
        const auto row = [](const char* name, const QByteArray& response, const QByteArray& reply,
                            bool trusted = true, bool get = false) {
            QTest::newRow(name) << response << trusted << get << QString(reply) << false;
            QTest::addRow("%s, in a child", name) << response << trusted << get << QString(reply) << true;
        };
        const QByteArray json = R"({"ok":true,"rev":4})";
        const QByteArray feed = R"({"url":"https://pellow.app/get","version":"1.4.0"})";
        row("200 json", http("200 OK", json), json);
        row("500 json", http("500 Oops", json), json);
        row("500 json array", http("500 Oops", "[1]"), {});
        row("10 MB body", http("200 OK", QByteArray(10 << 20, ' ') + json), {});
        row("no answer: time-out", {}, {});
        QTest::newRow("a byte every 100 ms: cut off at the deadline")
            << kTrickle << true << false << QString() << false;
        row("untrusted certificate", http("200 OK", json), {}, false);
        row("update feed, GET", http("200 OK", feed), feed, true, true);
    }
    void replies()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, trusted);
        QFETCH(bool, get);
        QFETCH(bool, child);
        QFETCH(QString, reply);
        m_response = response;
        m_request.clear();
        // Only the silent server's rows use a short limit; every other row gets one no loaded
        // machine reaches, so it ends by its own cause.
        const int limit = response.isEmpty() ? 500 : 30'000;
        QtHttpClient direct(limit);
        ProcessHttpClient process(QStringLiteral(PELLOW_BINARY), child ? 2 * limit : limit);
        HttpClient& client = child ? static_cast<HttpClient&>(process) : direct;
        if (trusted)
            client.setExtraCertificates(m_dir.filePath("ca.pem"));
        int calls = 0;
        HttpClient::Reply answer;
        const auto done = [&answer, &calls](HttpClient::Reply r) {
            answer = std::move(r);
            ++calls;
        };
        const QUrl url(QStringLiteral("https://127.0.0.1:%1/").arg(m_server.serverPort()) +
                       (get ? "updates.json" : "api/pellow/sync.php?action=pull"));
        get ? client.getJson(url, done) : client.postJson(url, R"({"token":"t"})", done);
        static_cast<void>(QTest::qWaitFor([&calls] { return calls > 0; }, 60'000));
        QCOMPARE(calls, 1);
        QCOMPARE(answer ? QString::fromUtf8(QJsonDocument(*answer).toJson(QJsonDocument::Compact))
                        : QString(),
                 reply);
        // A slow child may give up before its request is out; the request is checked only where
        // the server's answer proves it arrived.
        if (reply.isEmpty())
            return;
        if (get) {
            QVERIFY(m_request.startsWith("GET /updates.json HTTP/1.1\r\n"));
        } else {
            QVERIFY(m_request.startsWith("POST /api/pellow/sync.php?action=pull HTTP/1.1\r\n"));
            QVERIFY(m_request.toLower().contains("content-type: application/json\r\n"));
            QVERIFY(m_request.endsWith("\r\n\r\n{\"token\":\"t\"}"));
        }
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
