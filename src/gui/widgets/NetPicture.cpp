#include "gui/widgets/NetPicture.h"

#include "core/net/AsyncRead.h"
#include "core/outside/LogCategories.h"
#include "core/outside/Twips.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QTemporaryFile>

namespace {
// Decoding allocates width x height pixels whatever the file's length: a few bytes of header can
// ask for gigabytes. The size is read from the header and checked first.
bool acceptableSize(QImageReader& reader)
{
    const QSize size = reader.size();
    if (!size.isValid())
        return true; // formats that cannot tell before decoding stay under Qt's allocation limit
    if (qint64(size.width()) * size.height() > NetPicture::maxPixels) {
        qCDebug(lcWidgets) << reader.fileName() << "is" << size << "pixels, too large to show";
        return false;
    }
    return true;
}

bool startsWithGif(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(3).toLower() == "gif";
}
} // namespace

NetPicture::NetPicture(QWidget* parent)
    : QWidget(parent)
    , m_read(new AsyncRead(this))
{
    setObjectName(QStringLiteral("NetPicture"));
    resize(Twips::toPixels(2385), Twips::toPixels(2070));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(142, 202, 236));
    setPalette(p);
    setAutoFillBackground(true);
    m_read->setSizeLimit(maxFileBytes);

    mygif = new QLabel(this);
    mygif->setObjectName(QStringLiteral("mygif"));
    mygif->setScaledContents(true);
    QPalette white = mygif->palette();
    white.setColor(QPalette::Window, Qt::white);
    mygif->setPalette(white);
    mygif->setAutoFillBackground(true);
    mygif->hide();

    myimg = new QLabel(this);
    myimg->setObjectName(QStringLiteral("myimg"));
    myimg->setAlignment(Qt::AlignCenter);

    // The parts show; the control takes their clicks.
    for (QLabel* part : { mygif, myimg }) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
        part->setGeometry(rect());
    }
    connect(m_read, &AsyncRead::AsyncReadComplete, this, &NetPicture::Reading_Complete);
}

NetPicture::~NetPicture()
{
    dropGif();
}

void NetPicture::setPictureURL(const QString& url)
{
    m_read->start(url);
}

bool NetPicture::setDefaultPicture(const QString& path)
{
    QImageReader reader(path);
    if (!acceptableSize(reader))
        return false;
    if (reader.supportsAnimation() && reader.imageCount() != 1) {
        // A loading animation keeps turning while the picture comes.
        auto* movie = new QMovie(path, reader.format(), myimg);
        if (movie->isValid() && movie->jumpToFrame(0)) {
            m_still = QPixmap();
            myimg->setMovie(movie);
            delete std::exchange(m_defaultMovie, movie);
            movie->start();
            return true;
        }
        delete movie;
        return false;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcWidgets) << "default picture" << path << ":" << reader.errorString();
        return false;
    }
    setStill(QPixmap::fromImage(image));
    return true;
}

void NetPicture::release()
{
    m_read->cancel();
    if (m_gif)
        m_gif->stop();
    dropGif();
}

void NetPicture::Reading_Complete(bool ok)
{
    std::unique_ptr<QTemporaryFile> file = m_read->takeFile();
    if (ok && file) {
        const QString path = file->fileName();
        if (startsWithGif(path))
            showGif(std::move(file));
        else if (showStill(path)) {
            dropGif();
            mygif->hide();
            myimg->show();
        }
    }
    // The still picture's file is no longer needed once decoded; a GIF's went to the animation.
    file.reset();
    emit pictureChanged();
}

bool NetPicture::showGif(std::unique_ptr<QTemporaryFile> file)
{
    const QString path = file->fileName();
    QImageReader reader(path, "gif");
    if (!acceptableSize(reader))
        return false;
    auto* movie = new QMovie(path, "gif", mygif);
    movie->setCacheMode(QMovie::CacheNone);
    // The first frame must decode; a cut or forged file is not shown at all.
    if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
        qCDebug(lcWidgets) << path << "is not a GIF that can be shown";
        delete movie;
        return false;
    }
    mygif->setMovie(movie);
    dropGif();
    m_gif = movie;
    m_gifFile = std::move(file);
    movie->start();
    mygif->show();
    myimg->hide();
    return true;
}

bool NetPicture::showStill(const QString& path)
{
    QImageReader reader(path);
    if (!acceptableSize(reader))
        return false;
    const QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcWidgets) << path << "is not a picture:" << reader.errorString();
        return false;
    }
    setStill(QPixmap::fromImage(image));
    return true;
}

void NetPicture::setStill(const QPixmap& picture)
{
    if (m_defaultMovie) {
        myimg->setMovie(nullptr);
        delete std::exchange(m_defaultMovie, nullptr);
    }
    m_still = picture;
    placeStill();
}

// A picture larger than the control shrinks to fit it, keeping its proportions; a smaller one is
// shown at its size, centred.
void NetPicture::placeStill()
{
    if (m_still.isNull())
        return;
    const QSize fit = m_still.size().boundedTo(size());
    myimg->setPixmap(
        m_still.size() == fit ? m_still : m_still.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void NetPicture::dropGif()
{
    // The movie goes before its file: it reads from the file as long as it exists.
    if (m_gif) {
        mygif->setMovie(nullptr);
        delete std::exchange(m_gif, nullptr);
    }
    m_gifFile.reset();
}

void NetPicture::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mygif->setGeometry(rect());
    myimg->setGeometry(rect());
    placeStill();
}

void NetPicture::mousePressEvent(QMouseEvent* event)
{
    // Taken here, so a window that moves by its body does not start a move from the picture.
    event->accept();
    m_pressed = event->button() == Qt::LeftButton;
}

void NetPicture::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = std::exchange(m_pressed, false);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    QWidget::mouseReleaseEvent(event);
}
