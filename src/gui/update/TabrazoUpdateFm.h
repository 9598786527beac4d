#pragma once

#include <QWidget>

// The online updater window.
class TabrazoUpdateFm : public QWidget {
    Q_OBJECT
public:
    explicit TabrazoUpdateFm(QWidget* parent = nullptr);

    void Form_Load() { }

protected:
    void closeEvent(QCloseEvent* event) override;
};
