#pragma once

#include <QWidget>

// The online updater window.
// UNBUILT: the update check, log and download; today only the window and its closing question exist.
class TabrazoUpdateFm : public QWidget {
    Q_OBJECT
public:
    explicit TabrazoUpdateFm(QWidget* parent = nullptr);

    void Form_Load() { }

protected:
    void closeEvent(QCloseEvent* event) override;
};
