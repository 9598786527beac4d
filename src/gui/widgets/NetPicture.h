#pragma once

#include <QPixmap>
#include <QWidget>

#include <memory>

class AsyncRead;
class QLabel;
class QMovie;
class QTemporaryFile;

// Shows the picture at a web address: animated when the file is a GIF (by its first bytes, whatever
// the address says), still otherwise. A default picture is shown until a fetched one replaces it.
// Only the address set last is shown. What the server sends is untrusted: a file that is not a
// picture, a cut one or one too large to decode leaves the control as it was.
class NetPicture : public QWidget {
    Q_OBJECT

public:
    explicit NetPicture(QWidget* parent = nullptr);
    ~NetPicture() override;

    // Starts fetching the picture at url; a fetch still running is abandoned.
    void setPictureURL(const QString& url);
    // Loads the local file into the still picture at once; false when it is not a picture.
    bool setDefaultPicture(const QString& path);
    // Stops the fetch and lets go of the temporary files; an animated picture goes with its file.
    void release();

    // The most bytes a fetched file may have, and the most pixels a picture may decode to.
    static constexpr qint64 maxFileBytes = 8 * 1024 * 1024;
    static constexpr qint64 maxPixels = 4096 * 4096;

    QLabel* mygif;
    QLabel* myimg;

signals:
    void Click();
    // A fetch completed and the control shows its outcome (for those who wait for the picture).
    void pictureChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Reading_Complete(bool ok);
    bool showGif(std::unique_ptr<QTemporaryFile> file);
    bool showStill(const QString& path);
    void setStill(const QPixmap& picture);
    void placeStill();
    void dropGif();

    AsyncRead* m_read;
    QMovie* m_gif = nullptr;
    // The GIF on screen reads its frames from this file; it goes with the GIF.
    std::unique_ptr<QTemporaryFile> m_gifFile;
    QMovie* m_defaultMovie = nullptr;
    QPixmap m_still;
    bool m_pressed = false;
};
