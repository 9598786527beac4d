#include "core/catalogue/VersionFile.h"

#include "core/outside/MessageBox.h"

#include <QFile>
#include <QLoggingCategory>

#include <libxml/parser.h>
#include <libxml/xpath.h>

Q_LOGGING_CATEGORY(lcVersion, "tabrazo.catalogue")

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
}

QString VersionFile::ReadXmlNodeText(const QString& path, const QString& xpath)
{
    xmlSetGenericErrorFunc(nullptr, quietErrors);
    xmlResetLastError();
    const QByteArray file = QFile::encodeName(path);
    xmlDocPtr doc = xmlReadFile(file.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        MessageBox::show(lastErrorText());
        return {};
    }
    QString text;
    if (xmlXPathContextPtr context = xmlXPathNewContext(doc)) {
        const QByteArray expression = xpath.toUtf8();
        xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.constData()), context);
        if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0) {
            if (xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[0])) {
                text = QString::fromUtf8(reinterpret_cast<const char*>(content));
                xmlFree(content);
            }
        } else {
            qCDebug(lcVersion) << "no node" << xpath << "in" << path;
        }
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
    }
    xmlFreeDoc(doc);
    return text;
}

bool VersionFile::IsServerVersionNewer(const QString& serverFile, const QString& serverPath, const QString& localFile,
                                       const QString& localPath)
{
    const QString server = ReadXmlNodeText(serverFile, serverPath);
    const QString local = ReadXmlNodeText(localFile, localPath);
    return QString::compare(server, local, Qt::CaseSensitive) > 0;
}
