#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <utility>
#include <vector>

// The phone page: a fixed list of static files, read once at start from the first folder that
// holds every one of them and served from memory. Nothing else on disk is ever opened, so no
// request path can lead anywhere outside the list. The service worker carries the version of the
// whole page, so a server with other page files makes the phone replace its cached copy.
class WebPage
{
public:
    struct File
    {
        std::string contentType;
        std::string body;
        std::string etag; // a strong validator of the body, quoted as the ETag header wants it
    };

    // The folder beside the binary (the build tree), then the installed data folders.
    static QStringList defaultFolders();

    // Headers every page response carries: a content security policy that allows this origin
    // only, with no inline script or style, and no sniffing, framing or referrers.
    static const std::vector<std::pair<std::string, std::string>>& headers();

    // Reads the files from the first folder that has them all; false when none has.
    bool load(const QStringList& folders);
    QString folder() const { return m_folder; }

    // The file served at a request path such as "/" or "/app.js", or null.
    const File* find(const std::string& path) const;

    // The quoted strong validator of a body: the first 16 bytes of its SHA-256, in hexadecimal.
    static std::string etagFor(const std::string& body);

    // Whether a request's If-None-Match header names the file's validator (or is "*"), so the
    // front end answers 304 Not Modified with the page headers and the ETag, and no body.
    static bool notModified(const File& file, const std::string& ifNoneMatch);

private:
    std::map<std::string, File> m_files;
    QString m_folder;
};
