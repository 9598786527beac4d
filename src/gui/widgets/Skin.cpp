#include "gui/widgets/Skin.h"

#include "core/outside/LogCategories.h"
#include "gui/widgets/CjkFonts.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMutex>
#include <QPalette>
#include <QPixmapCache>
#include <QThreadPool>
#include <QVector>
#include <QWaitCondition>
#include <QWidget>

#include <fontconfig/fontconfig.h>
#include <png.h>

// The resources live in the static library tabrazo_skin; naming its initialiser here keeps the
// linker from dropping them. Q_INIT_RESOURCE must stand outside any namespace.
static void initSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

namespace {
const char* const kStates[4] = { "normal", "hover", "pressed", "disabled" };
const char* const kPictureProperties[4] = { "Picture1", "Picture2", "Picture3", "Picture4" };

constexpr int kPointSize = 9;

int g_aero = 0;
QString g_styleSheet;

QString resourcePath(const QString& name)
{
    return QStringLiteral(":/skin/") + name + QStringLiteral(".png");
}

// The skin's pictures are decoded with libpng itself: Qt's image reader first looks through every
// image format plugin installed, which costs about as much as decoding all the pictures.
QImage decode(const QString& path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (bytes.isEmpty() || !png_image_begin_read_from_memory(&png, bytes.constData(), size_t(bytes.size())))
        return QImage(path);
    // 16-bit samples would be converted as linear light, where Qt keeps them as they are.
    if (png.format & PNG_FORMAT_FLAG_LINEAR) {
        png_image_free(&png);
        return QImage(path);
    }
    const bool alpha = png.format & PNG_FORMAT_FLAG_ALPHA;
    // Blue, green, red, alpha in memory is a QImage's 32-bit pixel on a little-endian machine.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()
        || !png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return QImage(path);
    }
    return image;
}

// Pictures decoded ahead on a worker thread, until picture() takes them.
struct Prefetched {
    QMutex mutex;
    QWaitCondition decoded;
    QStringList waiting;
    QHash<QString, QImage> images;
};

Prefetched& prefetched()
{
    static Prefetched state;
    return state;
}

void ensureResources()
{
    static const bool registered = (initSkinResources(), true);
    Q_UNUSED(registered);
}

QApplication* widgetApp()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        qCWarning(lcSkin) << "the skin needs a QApplication; nothing applied";
    return app;
}

QPalette skinPalette()
{
    const QColor body(0xF3, 0xF6, 0xFB);
    const QColor text(0x1E, 0x29, 0x3B);
    const QColor faint(0xA0, 0xAC, 0xBE);
    QPalette p(body, body);
    p.setColor(QPalette::Window, body);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, body);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, body);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x2F, 0x6F, 0xD6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x1F, 0x5F, 0xC4));
    p.setColor(QPalette::LinkVisited, QColor(0x5B, 0x4B, 0xB8));
    p.setColor(QPalette::ToolTipBase, Qt::white);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x94, 0xA3, 0xB8));
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(QPalette::Disabled, role, faint);
    return p;
}

QStringList familiesStartingWith(const QString& family)
{
    QStringList families { family };
    for (const QString& other : CjkFonts::fallbacks()) {
        if (other.compare(family, Qt::CaseInsensitive) != 0)
            families << other;
    }
    return families;
}
// Every widget's text in the first installed of the fallbacks.
QString fontRule()
{
    return QStringLiteral("* { font-family: \"") + CjkFonts::fallbacks().join(QStringLiteral("\", \""))
        + QStringLiteral("\"; }\n");
}
} // namespace

void Skin::SkinH_SetAero(int aero)
{
    g_aero = aero;
}

int Skin::aero()
{
    return g_aero;
}

QString Skin::fontFamily()
{
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& wanted : CjkFonts::fallbacks()) {
        for (const QString& family : installed) {
            if (family.compare(wanted, Qt::CaseInsensitive) == 0)
                return family;
        }
    }
    return installed.isEmpty() ? QString() : installed.first();
}

void Skin::SkinH_Attach()
{
    ensureResources();
    if (g_styleSheet.isEmpty()) {
        QFile file(QStringLiteral(":/skin/skin.qss"));
        if (file.open(QIODevice::ReadOnly))
            g_styleSheet = fontRule() + QString::fromUtf8(file.readAll());
        else
            qCWarning(lcSkin) << "style sheet missing from the skin resources";
    }

    const QString family = fontFamily();
    if (family.isEmpty()) {
        qCWarning(lcSkin) << "no installed font writes Simplified Chinese; texts may show as boxes";
    } else {
        // Code and saved layouts that still name the Windows families get the skin's font.
        for (const QString& design : CjkFonts::windowsFamilies())
            QFont::insertSubstitutions(design, familiesStartingWith(family));
    }

    QApplication* app = widgetApp();
    if (!app)
        return;
    // The tray icon and every window take the application's icon; keep one set by the program.
    // Every size of it goes to the X server with each window; larger ones than a task switcher
    // shows come from the icon theme through the desktop entry.
    if (QApplication::windowIcon().isNull()) {
        QIcon icon;
        for (const QString& size : iconPictures())
            icon.addPixmap(picture(size));
        QApplication::setWindowIcon(icon);
    }
    // A new palette, font or style sheet goes to every widget, even an equal one: the skin is put on
    // at start and again by the main window's load, and the second time changes nothing.
    const QPalette palette = skinPalette();
    if (QApplication::palette() != palette)
        QApplication::setPalette(palette);
    if (app->styleSheet() != g_styleSheet)
        app->setStyleSheet(g_styleSheet);
}

void Skin::SkinHme()
{
    SkinH_Attach();
    if (!widgetApp())
        return;
    QFont font = QApplication::font();
    const QString family = fontFamily();
    if (!family.isEmpty())
        font.setFamilies(familiesStartingWith(family));
    font.setPointSize(kPointSize);
    if (QApplication::font() != font)
        QApplication::setFont(font);
}

void Skin::prefetch(const QStringList& names)
{
    ensureResources();
    Prefetched& state = prefetched();
    {
        QMutexLocker lock(&state.mutex);
        state.waiting += names;
    }
    QThreadPool::globalInstance()->start([names] {
        Prefetched& state = prefetched();
        for (qsizetype i = 0; i < names.size(); ++i) {
            QImage image = decode(resourcePath(names[i]));
            {
                QMutexLocker lock(&state.mutex);
                state.waiting.removeOne(names[i]);
                if (!image.isNull())
                    state.images.insert(names[i], std::move(image));
            }
            state.decoded.wakeAll();
            // The first text drawn needs fontconfig's configuration, read once per process.
            if (i == 0)
                FcInit();
        }
    });
}

QStringList Skin::prefetchedUnused()
{
    Prefetched& state = prefetched();
    QMutexLocker lock(&state.mutex);
    return state.waiting + state.images.keys();
}

QStringList Skin::iconPictures()
{
    QStringList names;
    for (int size : { 16, 24, 32, 48, 64 })
        names += QStringLiteral("Tabrazo_%1").arg(size);
    return names;
}

QStringList Skin::buttonPictures(const QString& buttonName)
{
    QStringList names;
    for (const char* state : kStates)
        names += buttonName + QLatin1Char('_') + QLatin1String(state);
    return names;
}

QPixmap Skin::picture(const QString& name)
{
    ensureResources();
    const QString path = resourcePath(name);
    QPixmap pixmap;
    if (QPixmapCache::find(path, &pixmap))
        return pixmap;
    QImage image;
    {
        Prefetched& state = prefetched();
        QMutexLocker lock(&state.mutex);
        while (state.waiting.contains(name))
            state.decoded.wait(&state.mutex);
        image = state.images.take(name);
    }
    if (image.isNull())
        image = decode(path);
    if (image.isNull()) {
        qCWarning(lcSkin) << "no skin picture" << name;
        return {};
    }
    pixmap = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(path, pixmap);
    return pixmap;
}

int Skin::dressButtons(QWidget* window)
{
    if (!window)
        return 0;
    ensureResources();
    int dressed = 0;
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        if (name.isEmpty() || widget->metaObject()->indexOfProperty(kPictureProperties[0]) < 0)
            continue;
        QPixmap pictures[4];
        bool complete = true;
        const QStringList states = buttonPictures(name);
        for (int i = 0; i < 4 && complete; ++i) {
            const QString& state = states[i];
            // Most buttons of a window may have no pictures; ask quietly before loading.
            complete = QFile::exists(resourcePath(state));
            if (complete)
                pictures[i] = picture(state);
            complete = complete && !pictures[i].isNull();
        }
        // A button with only some of its pictures would flicker between looks; leave it bare.
        if (!complete) {
            qCDebug(lcSkin) << "no complete picture set for" << name;
            continue;
        }
        for (int i = 0; i < 4; ++i)
            widget->setProperty(kPictureProperties[i], pictures[i]);
        ++dressed;
    }
    return dressed;
}

QRegion Skin::colourKeyRegion(const QPixmap& background)
{
    if (background.isNull())
        return {};
    QImage image = background.toImage();
    // The mask is in the window's own coordinates, not in device pixels.
    const QSize logical = background.deviceIndependentSize().toSize();
    if (image.size() != logical)
        image = image.scaled(logical, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Only an opaque pixel of exactly the key colour is cut; blended edge pixels stay. An opaque pixel
    // reads the same in all three 32-bit formats, and converting between them costs milliseconds.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32
        && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32);
    QVector<QRect> runs;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && line[x] == keyColour)
                ++x;
            const int start = x;
            while (x < image.width() && line[x] != keyColour)
                ++x;
            if (x > start)
                runs.append(QRect(start, y, x - start, 1));
        }
    }
    // One band per row, runs left to right: the banded order setRects expects.
    QRegion shape;
    shape.setRects(runs.constData(), int(runs.size()));
    return shape;
}

void Skin::applyColourKeyMask(QWidget* window, const QPixmap& background)
{
    if (!window)
        return;
    const QRegion shape = colourKeyRegion(background);
    if (shape.isEmpty()) {
        // An empty mask would mean "no mask" and show the key colour: say why instead.
        qCWarning(lcSkin) << "no window shape in the background picture of" << window->objectName();
        window->clearMask();
        return;
    }
    window->setMask(shape);
}
