#pragma once

#include <QList>
#include <QWidget>

class LinkLabel;
class QLabel;
class QPushButton;

// The about box: the product's name and version, its rights holder and links to its sites.
class GyTabrazo : public QWidget {
    Q_OBJECT
public:
    explicit GyTabrazo(QWidget* parent = nullptr);

    void Form_Load() { }

    QLabel* TopImG;
    QLabel* NameLabel;
    QLabel* RightsLabel;
    QLabel* HolderLabel;
    QPushButton* OkButton;
    // 0 the maker's name, 1 the product site's address, 2 "访问主页", 3 "开发商网站", 4 "官方论坛".
    QList<LinkLabel*> Label1;

    // The address link index opens.
    static QString linkAddress(int index);

private:
    void Label1_Click(int index);
};
