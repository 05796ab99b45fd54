#include "WebPage.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

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
    {"/manifest.webmanifest", "manifest.webmanifest", "application/manifest+json"},
    {"/icon.svg", "icon.svg", "image/svg+xml"},
    {"/icon-192.png", "icon-192.png", "image/png"},
    {"/icon-512.png", "icon-512.png", "image/png"},
};

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
            files[entry.path] = {entry.contentType, file.readAll().toStdString()};
        }
        if (files.size() == std::size(kEntries)) {
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
