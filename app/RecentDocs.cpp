#include "RecentDocs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace movrel {

namespace {

void WriteBookmark(QXmlStreamWriter& w, const QString& href, const QString& mimeType)
{
    QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QString program = QCoreApplication::applicationFilePath();
    w.writeStartElement(QStringLiteral("bookmark"));
    w.writeAttribute(QStringLiteral("href"), href);
    w.writeAttribute(QStringLiteral("added"), now);
    w.writeAttribute(QStringLiteral("modified"), now);
    w.writeAttribute(QStringLiteral("visited"), now);
    w.writeStartElement(QStringLiteral("info"));
    w.writeStartElement(QStringLiteral("metadata"));
    w.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    w.writeEmptyElement(QStringLiteral("mime:mime-type"));
    w.writeAttribute(QStringLiteral("type"), mimeType);
    w.writeStartElement(QStringLiteral("bookmark:applications"));
    w.writeEmptyElement(QStringLiteral("bookmark:application"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("Movrel"));
    w.writeAttribute(QStringLiteral("exec"), "'" + program + " %u'");
    w.writeAttribute(QStringLiteral("modified"), now);
    w.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    w.writeEndElement();  // applications
    w.writeEndElement();  // metadata
    w.writeEndElement();  // info
    w.writeEndElement();  // bookmark
}

}  // namespace

QString RecentDocumentsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/recently-used.xbel";
}

bool AddRecentDocument(const QString& path, const QString& mimeType)
{
    const QString href = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString file = RecentDocumentsPath();
    QByteArray old;
    if (QFile in(file); in.exists()) {
        if (!in.open(QIODevice::ReadOnly))
            return false;
        old = in.readAll();
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);

    bool wroteOurs = false;
    if (!old.isEmpty()) {
        // Copy every token through; our earlier bookmark of the same file is
        // dropped and a fresh one goes in before </xbel>.
        QXmlStreamReader r(old);
        r.setNamespaceProcessing(false);
        int depth = 0, skipDepth = -1;
        while (!r.atEnd()) {
            r.readNext();
            if (r.hasError())
                return false;  // not a bookmark file we understand: left as it is
            if (r.isStartElement()) {
                ++depth;
                if (skipDepth < 0 && depth == 2 && r.name() == QLatin1String("bookmark") &&
                    r.attributes().value(QLatin1String("href")) == href)
                    skipDepth = depth;
            }
            if (r.isEndElement()) {
                if (depth == 1 && r.name() == QLatin1String("xbel")) {
                    WriteBookmark(w, href, mimeType);
                    wroteOurs = true;
                }
                if (skipDepth == depth) {
                    skipDepth = -1;
                    --depth;
                    continue;
                }
                --depth;
            }
            if (skipDepth >= 0 || r.isWhitespace())
                continue;
            w.writeCurrentToken(r);
        }
    }
    if (!wroteOurs) {
        if (!old.isEmpty())
            return false;
        w.writeStartDocument();
        w.writeStartElement(QStringLiteral("xbel"));
        w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        w.writeAttribute(QStringLiteral("xmlns:bookmark"),
                         QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks"));
        w.writeAttribute(QStringLiteral("xmlns:mime"),
                         QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
        WriteBookmark(w, href, mimeType);
        w.writeEndElement();
        w.writeEndDocument();
    }
    return out.commit();
}

}  // namespace movrel
