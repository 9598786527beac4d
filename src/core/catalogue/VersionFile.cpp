#include "core/catalogue/VersionFile.h"

#include "core/outside/LogCategories.h"

#include <QFile>

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
