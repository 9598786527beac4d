#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per program folder. The first copy listens on a local socket named after the
// folder; a later copy finds it there and asks it to come to the front.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);

    // True when another copy of the program runs for the same program folder. Otherwise this
    // copy has become the running one and answers later copies from now on.
    bool otherIsRunning();

    // Ask the running copy to show itself. Waits briefly for the copy to read the request.
    void activateOther();

    // Where the lock of the running copy is kept.
    static QString lockFolder();

signals:
    void activationRequested();

private:
    QString name() const;
    bool listen();
    void acceptActivations();
    QLocalServer* server = nullptr;
    std::unique_ptr<QLockFile> lock;
};
