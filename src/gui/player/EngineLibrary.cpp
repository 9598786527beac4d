#include "gui/player/EngineLibrary.h"

#include "core/outside/LogCategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibrary>
#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
// Exported by Qt GUI for Qt's own modules; Qt sets it itself only when the application object is
// built with Qt::AA_ShareOpenGLContexts, and creating that context costs a start-up every time.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {
const char kFileName[] = "libtabrazo_engine.so";

bool attempted = false;
CreatePlayerEngine factory = nullptr;

// The web engine draws through OpenGL contexts that share with one global context. Qt makes that
// context while the application object is built when asked to beforehand; made here instead, the
// cost comes once the windows are up, and before the engine's library looks for it.
void shareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    if (!context->create())
        qCWarning(lcPlayer) << "no OpenGL context: the player draws without the graphics card";
    qt_gl_set_global_share_context(context);
    // Post routines run before the platform goes away, and after the engine's own, which it
    // registers later.
    qAddPostRoutine([] {
        delete QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
    });
}

void load()
{
    attempted = true;
    const QString file = EngineLibrary::path();
    if (file.isEmpty()) {
        qCWarning(lcPlayer) << "player engine not found: set TABRAZO_ENGINE or put" << kFileName << "in"
                            << QCoreApplication::applicationDirPath();
        return;
    }
    shareOpenGLContexts();
    QLibrary library(file);
    // Views and pages of the engine live until the program ends; the library must stay as long.
    library.setLoadHints(QLibrary::PreventUnloadHint);
    factory = reinterpret_cast<CreatePlayerEngine>(library.resolve("tabrazo_createPlayerEngine"));
    if (!factory)
        qCWarning(lcPlayer) << "player engine could not be loaded:" << library.errorString();
    else
        qCInfo(lcPlayer) << "player engine from" << file;
}
} // namespace

QString EngineLibrary::path()
{
    const QString fromEnvironment = qEnvironmentVariable("TABRAZO_ENGINE");
    if (!fromEnvironment.isEmpty())
        return QFileInfo::exists(fromEnvironment) ? fromEnvironment : QString();
    const QString executable = QCoreApplication::applicationDirPath();
    const QString name = QString::fromLatin1(kFileName);
    for (const QString& candidate : { QString(executable + QLatin1Char('/') + name),
             QDir::cleanPath(executable + QStringLiteral("/../" TABRAZO_ENGINE_DIR "/") + name) }) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
#ifdef TABRAZO_ENGINE_FILE
    if (QFileInfo::exists(QStringLiteral(TABRAZO_ENGINE_FILE)))
        return QStringLiteral(TABRAZO_ENGINE_FILE);
#endif
    return QString();
}

std::unique_ptr<PlayerEngine> EngineLibrary::create(QWidget* parent, const PlayerEngine::Setup& setup)
{
    if (!attempted)
        load();
    if (!factory)
        return nullptr;
    std::unique_ptr<PlayerEngine> engine(factory(PlayerEngine::kInterfaceVersion, parent, setup));
    if (!engine)
        qCWarning(lcPlayer) << "player engine is of another version:" << path();
    return engine;
}
