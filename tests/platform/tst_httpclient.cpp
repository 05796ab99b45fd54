#include "platform/QtHttpClient.h"

#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

// The HTTPS client against a TLS server of the test's own on 127.0.0.1, whose certificate a
// certificate authority made for the test signs: a reply is its JSON object body, whatever the
// status; every failure is no reply, and each request is answered exactly once.
class TestHttpClient : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QSslServer m_server;
    QByteArray m_response; // empty: the server reads the request and never answers
    QByteArray m_request;

    void serve(QSslSocket* socket)
    {
        connect(socket, &QSslSocket::readyRead, socket, [this, socket] {
            m_request += socket->readAll();
            const qsizetype end = m_request.indexOf("\r\n\r\n");
            if (end < 0 || m_request.size() < end + 4 + contentLength())
                return;
            if (!m_response.isEmpty())
                socket->write(m_response);
        });
    }
    qsizetype contentLength() const
    {
        const qsizetype at = m_request.toLower().indexOf("content-length:");
        return at < 0 ? 0 : m_request.mid(at + 15, m_request.indexOf('\r', at) - at - 15).trimmed().toInt();
    }
    static QByteArray http(const char* status, const QByteArray& type, const QByteArray& body)
    {
        return "HTTP/1.1 " + QByteArray(status) + "\r\nContent-Type: " + type +
               "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
               body;
    }

    // Posts once and waits, bounded, for the one answer.
    HttpClient::Reply post(QtHttpClient& client, quint16 port, int* calls)
    {
        HttpClient::Reply reply;
        client.postJson(
            QUrl(QStringLiteral("https://127.0.0.1:%1/api/pellow/sync.php?action=pull").arg(port)),
            R"({"token":"t"})", [&reply, calls](HttpClient::Reply r) {
                reply = std::move(r);
                ++*calls;
            });
        static_cast<void>(QTest::qWaitFor([calls] { return *calls > 0; }, 10'000));
        return reply;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(
            QProcess::execute(QStringLiteral("bash"), {QStringLiteral(PELLOW_MAKE_TEST_CA), m_dir.path()}),
            0);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificateChain(QSslCertificate::fromPath(m_dir.filePath("server.pem")));
        QFile key(m_dir.filePath("server.key"));
        QVERIFY(key.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(&key, QSsl::Ec));
        m_server.setSslConfiguration(tls);
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (m_server.hasPendingConnections())
                serve(static_cast<QSslSocket*>(m_server.nextPendingConnection()));
        });
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("reply"); // empty: none
        const QByteArray json = R"({"ok":true,"rev":4})";
        QTest::newRow("200 json") << http("200 OK", "application/json", json) << true << QString(json);
        QTest::newRow("500 json") << http("500 Oops", "application/json", json) << true << QString(json);
        QTest::newRow("500 html") << http("500 Oops", "text/html", "<h1>Oops</h1>") << true << QString();
        QTest::newRow("json array") << http("200 OK", "application/json", "[1]") << true << QString();
        QTest::newRow("10 MB body") << http("200 OK", "application/json", QByteArray(10 << 20, ' ') + json)
                                    << true << QString();
        QTest::newRow("no answer: time-out") << QByteArray() << true << QString();
        QTest::newRow("untrusted certificate")
            << http("200 OK", "application/json", json) << false << QString();
    }
    void replies()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, trusted);
        m_response = response;
        m_request.clear();
        QtHttpClient client(500);
        if (trusted)
            client.setExtraCertificates(m_dir.filePath("ca.pem"));
        int calls = 0;
        const HttpClient::Reply reply = post(client, m_server.serverPort(), &calls);
        QCOMPARE(calls, 1);
        QTEST(reply ? QString::fromUtf8(QJsonDocument(*reply).toJson(QJsonDocument::Compact)) : QString(),
              "reply");
        if (trusted) {
            QVERIFY(m_request.startsWith("POST /api/pellow/sync.php?action=pull HTTP/1.1\r\n"));
            QVERIFY(m_request.toLower().contains("content-type: application/json\r\n"));
            QVERIFY(m_request.endsWith("\r\n\r\n{\"token\":\"t\"}"));
        }
    }

    // The update feed is fetched the same way, with a GET.
    void feed()
    {
        const QByteArray feed = R"({"url":"https://pellow.app/get","version":"1.4.0"})";
        m_response = http("200 OK", "application/json", feed);
        m_request.clear();
        QtHttpClient client;
        client.setExtraCertificates(m_dir.filePath("ca.pem"));
        HttpClient::Reply reply;
        client.getJson(QUrl(QStringLiteral("https://127.0.0.1:%1/updates.json").arg(m_server.serverPort())),
                       [&reply](HttpClient::Reply r) { reply = std::move(r); });
        QTRY_VERIFY_WITH_TIMEOUT(reply.has_value(), 10'000);
        QCOMPARE(QJsonDocument(*reply).toJson(QJsonDocument::Compact), feed);
        QVERIFY(m_request.startsWith("GET /updates.json HTTP/1.1\r\n"));
    }

    void serverDown()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QtHttpClient client;
        int calls = 0;
        QVERIFY(!post(client, port, &calls));
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
