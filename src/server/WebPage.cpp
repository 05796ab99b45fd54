#include "WebPage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QStandardPaths>

#include <string_view>

namespace {

struct Entry
{
    const char* path;
    const char* file;
    const char* contentType;
};

// Keep in step with PELLOW_WEB_FILES in CMakeLists.txt.
constexpr Entry kEntries[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/style.css", "style.css", "text/css; charset=utf-8"},
    {"/app.js", "app.js", "text/javascript; charset=utf-8"},
    {"/sync.js", "sync.js", "text/javascript; charset=utf-8"},
    {"/records.js", "records.js", "text/javascript; charset=utf-8"},
    {"/timetexts.js", "timetexts.js", "text/javascript; charset=utf-8"},
    {"/alerts.js", "alerts.js", "text/javascript; charset=utf-8"},
    {"/manifest.webmanifest", "manifest.webmanifest", "application/manifest+json"},
    {"/icon.svg", "icon.svg", "image/svg+xml"},
    {"/icon-192.png", "icon-192.png", "image/png"},
    {"/icon-512.png", "icon-512.png", "image/png"},
    {"/icon-maskable.png", "icon-maskable.png", "image/png"},
    {"/sw.js", "sw.js", "text/javascript; charset=utf-8"},
};

constexpr const char* kServiceWorker = "/sw.js";
constexpr std::string_view kVersionMark = "@PAGE_VERSION@";

std::string sha256Hex(const std::string& data, int bytes)
{
    const QByteArray digest = QCryptographicHash::hash(QByteArrayView(data.data(), qsizetype(data.size())),
                                                       QCryptographicHash::Sha256);
    return digest.left(bytes).toHex().toStdString();
}

// Puts the version of all the other files into the service worker, in place of its mark.
void stampVersion(std::map<std::string, WebPage::File>& files)
{
    std::string all;
    for (const auto& [path, file] : files)
        if (path != kServiceWorker)
            all += path + '\n' + WebPage::etagFor(file.body) + '\n';
    std::string& worker = files[kServiceWorker].body;
    const std::string version = sha256Hex(all, 8);
    for (auto at = worker.find(kVersionMark); at != std::string::npos; at = worker.find(kVersionMark, at))
        worker.replace(at, kVersionMark.size(), version);
}

} // namespace

QStringList WebPage::defaultFolders()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList folders{appDir + QStringLiteral("/web"),
                        appDir + QStringLiteral("/../share/pellow-sync-server/web")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(data + QStringLiteral("/pellow-sync-server/web"));
    return folders;
}

const std::vector<std::pair<std::string, std::string>>& WebPage::headers()
{
    static const std::vector<std::pair<std::string, std::string>> list = {
        {"Content-Security-Policy", "default-src 'self'; object-src 'none'; base-uri 'none'; "
                                    "form-action 'none'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-cache"},
    };
    return list;
}

bool WebPage::load(const QStringList& folders)
{
    for (const QString& folder : folders) {
        std::map<std::string, File> files;
        for (const Entry& entry : kEntries) {
            QFile file(folder + u'/' + QLatin1String(entry.file));
            if (!file.open(QIODevice::ReadOnly))
                break;
            files[entry.path] = {entry.contentType, file.readAll().toStdString(), {}};
        }
        if (files.size() == std::size(kEntries)) {
            stampVersion(files);
            for (auto& [path, file] : files)
                file.etag = etagFor(file.body);
            m_files = std::move(files);
            m_folder = folder;
            return true;
        }
    }
    return false;
}

const WebPage::File* WebPage::find(const std::string& path) const
{
    const auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

std::string WebPage::etagFor(const std::string& body)
{
    return '"' + sha256Hex(body, 16) + '"';
}

bool WebPage::notModified(const File& file, const std::string& ifNoneMatch)
{
    // A list of tags; the weak comparison If-None-Match calls for ignores "W/".
    std::string_view rest = ifNoneMatch;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view tag = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t'))
            tag.remove_prefix(1);
        while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\t'))
            tag.remove_suffix(1);
        if (tag.starts_with("W/"))
            tag.remove_prefix(2);
        if (tag == "*" || tag == file.etag)
            return true;
    }
    return false;
}
