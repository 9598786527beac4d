#pragma once

#include <QWidget>

// The about box.
class GyTabrazo : public QWidget {
    Q_OBJECT
public:
    explicit GyTabrazo(QWidget* parent = nullptr);

    void Form_Load() { }
};
