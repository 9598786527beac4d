#include "gui/update/GyTabrazo.h"

#include "core/outside/ServerAddresses.h"
#include "core/outside/Twips.h"
#include "core/update/UpdateRules.h"
#include "gui/outside/UrlOpener.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/Skin.h"

#include <QLabel>
#include <QPushButton>

namespace {
const QString kMaker = QStringLiteral("Tabrazo开发组");
}

GyTabrazo::GyTabrazo(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("GyTabrazo"));
    setWindowTitle(QStringLiteral("关于Tabrazo"));
    setFixedSize(Twips::toPixels(6930), Twips::toPixels(4200));

    TopImG = Twips::place(new QLabel(this), "TopImG", 0, 0, 6930, 900);
    TopImG->setPixmap(Skin::picture(QStringLiteral("UpdateHeader")));
    NameLabel = Twips::place(new QLabel(QStringLiteral("Tabrazo ") + UpdateRules::runningVersion(), this), "NameLabel",
        360, 1080, 4000, 300);
    RightsLabel = Twips::place(new QLabel(QStringLiteral("版权所有"), this), "RightsLabel", 360, 1500, 1000, 300);
    HolderLabel
        = Twips::place(new QLabel(QStringLiteral("© 2026 ") + kMaker, this), "HolderLabel", 1380, 1500, 4000, 300);

    const QString captions[] = { kMaker, ServerAddresses::productSite(), QStringLiteral("访问主页"),
        QStringLiteral("开发商网站"), QStringLiteral("官方论坛") };
    const QRect places[] = { Twips::rect(360, 1920, 3000, 300), Twips::rect(360, 2340, 6000, 300),
        Twips::rect(360, 2880, 1200, 300), Twips::rect(1740, 2880, 1500, 300), Twips::rect(3420, 2880, 1200, 300) };
    for (int index = 0; index < 5; ++index) {
        auto* link = new LinkLabel(captions[index], this);
        link->setObjectName(QStringLiteral("Label1_%1").arg(index));
        link->setGeometry(places[index]);
        connect(link, &LinkLabel::Click, this, [this, index] { Label1_Click(index); });
        Label1.append(link);
    }

    OkButton = Twips::place(new QPushButton(QStringLiteral("确定"), this), "OkButton", 5475, 3480, 1215, 450);
    connect(OkButton, &QPushButton::clicked, this, &QWidget::close);
}

QString GyTabrazo::linkAddress(int index)
{
    switch (index) {
    case 1:
        return ServerAddresses::productSite() + u'/';
    case 2:
        return ServerAddresses::mainSite() + u'/';
    case 4:
        return ServerAddresses::onForum(QStringLiteral("/"));
    default:
        return ServerAddresses::developerSite() + u'/';
    }
}

void GyTabrazo::Label1_Click(int index)
{
    UrlOpener::open(linkAddress(index));
}
