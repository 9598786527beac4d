#include "core/catalogue/VersionFile.h"

#include "core/outside/LogCategories.h"

#include <QFile>

#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

namespace {
// libxml2 prints every error to stderr by default; the program shows its own box instead.
void quietErrors(void*, const char*, ...) { }

QString lastErrorText()
{
    const xmlError* error = xmlGetLastError();
    if (!error || !error->message)
        return QStringLiteral("XML document could not be loaded");
    return QString::fromUtf8(error->message).trimmed();
}
} // namespace

QString VersionFile::ReadXmlNodeText(const QString& path, const QString& xpath, QString* error)
{
    if (error)
        error->clear();
    xmlSetGenericErrorFunc(nullptr, quietErrors);
    xmlResetLastError();
    const QByteArray file = QFile::encodeName(path);
    xmlDocPtr doc = xmlReadFile(file.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        if (error)
            *error = lastErrorText();
        return {};
    }
    // A version file has no use for entities. Declared ones are refused: a few hundred bytes of
    // nested references expand to gigabytes of text when the node is read, and an external one
    // would name a file of this machine.
    if ((doc->intSubset && doc->intSubset->entities
            && xmlHashSize(static_cast<xmlHashTablePtr>(doc->intSubset->entities)) > 0)
        || doc->extSubset) {
        xmlFreeDoc(doc);
        qCDebug(lcCatalogue) << "entity declarations in" << path;
        if (error)
            *error = QStringLiteral("Entity declarations are not allowed in this document");
        return {};
    }
    QString text;
    if (xmlXPathContextPtr context = xmlXPathNewContext(doc)) {
        const QByteArray expression = xpath.toUtf8();
        xmlXPathObjectPtr result
            = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.constData()), context);
        if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0) {
            if (xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[0])) {
                text = QString::fromUtf8(reinterpret_cast<const char*>(content));
                xmlFree(content);
            }
        } else {
            qCDebug(lcCatalogue) << "no node" << xpath << "in" << path;
        }
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
    }
    xmlFreeDoc(doc);
    return text;
}

bool VersionFile::IsNewer(const QString& serverVersion, const QString& localVersion)
{
    return QString::compare(serverVersion, localVersion, Qt::CaseSensitive) > 0;
}
