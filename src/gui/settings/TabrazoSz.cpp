#include "gui/settings/TabrazoSz.h"

#include "core/outside/Process.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/SinkVolume.h"
#include "core/outside/Twips.h"
#include "core/settings/DeliveredSettings.h"
#include "gui/settings/RKHotKey.h"
#include "gui/settings/UpdateSL.h"
#include "gui/widgets/Skin.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QCheckBox* makeBox(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}
} // namespace

TabrazoSz::TabrazoSz(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TabrazoSz"));
    setWindowTitle(QStringLiteral("Tabrazo设置"));
    // Before the hotkey fields read their keys: a first start then has no hotkey to complain about.
    DeliveredSettings::installIfMissing();

    HeadrImges = new QLabel(this);
    HeadrImges->setObjectName(QStringLiteral("HeadrImges"));
    HeadrImges->setFixedHeight(Twips::toPixels(600));
    HeadrImges->setPixmap(Skin::picture(QStringLiteral("FlashFrm_header")));
    HeadrImges->setScaledContents(true);

    HotKey = new QGroupBox(QStringLiteral("热键设置："), this);
    HotKey->setObjectName(QStringLiteral("HotKey"));
    增加音量 = makeBox(HotKey, QStringLiteral("增加音量"), QStringLiteral("增加音量"));
    减少音量 = makeBox(HotKey, QStringLiteral("减少音量"), QStringLiteral("减少音量"));
    禁音 = makeBox(HotKey, QStringLiteral("禁音"), QStringLiteral("静音"));
    HK1 = new RKHotKey(QStringLiteral("HK1"), HotKey);
    HK2 = new RKHotKey(QStringLiteral("HK2"), HotKey);
    HK3 = new RKHotKey(QStringLiteral("HK3"), HotKey);
    auto* hotkeys = new QGridLayout(HotKey);
    hotkeys->setColumnStretch(1, 1);
    hotkeys->addWidget(增加音量, 0, 0);
    hotkeys->addWidget(HK1, 0, 1);
    hotkeys->addWidget(减少音量, 1, 0);
    hotkeys->addWidget(HK2, 1, 1);
    hotkeys->addWidget(禁音, 2, 0);
    hotkeys->addWidget(HK3, 2, 1);

    自动全屏化 = makeBox(this, QStringLiteral("自动全屏化"), QStringLiteral("游戏加载完成时自动全屏化游戏"));
    版本自动更新 = makeBox(this, QStringLiteral("版本自动更新"), QStringLiteral("自动检测版本更新并且提示我"));
    自检测 = makeBox(
        this, QStringLiteral("自检测"), QStringLiteral("程序每次启动均自动检测服务器上新版本游戏数据并且更新"));
    欢迎动画 = makeBox(this, QStringLiteral("欢迎动画"), QStringLiteral("程序启动时是否显示欢迎动画"));
    开启启动 = makeBox(this, QStringLiteral("开启启动"), QStringLiteral("软件启动时游戏窗跟随启动"));

    保存设置 = new QPushButton(QStringLiteral("保存"), this);
    保存设置->setObjectName(QStringLiteral("保存设置"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, Twips::toPixels(150));
    layout->addWidget(HeadrImges);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(Twips::toPixels(240), Twips::toPixels(120), Twips::toPixels(240), 0);
    body->addWidget(自动全屏化);
    body->addWidget(版本自动更新);
    body->addWidget(自检测);
    body->addWidget(欢迎动画);
    body->addWidget(开启启动);
    body->addWidget(HotKey);
    body->addWidget(保存设置, 0, Qt::AlignRight);
    layout->addLayout(body);

    connect(保存设置, &QPushButton::clicked, this, [this] { 保存设置_Click(); });
    // The box has already toggled when the release arrives, so the hotkey follows its new state.
    connect(增加音量, &QCheckBox::clicked, this, [this] { 增加音量_MouseUp(); });
    connect(减少音量, &QCheckBox::clicked, this, [this] { 减少音量_MouseUp(); });
    connect(禁音, &QCheckBox::clicked, this, [this] { 禁音_MouseUp(); });
    connect(HK1, &RKHotKey::HotKeyPressed, this, [] { SinkVolume::up(); });
    connect(HK2, &RKHotKey::HotKeyPressed, this, [] { SinkVolume::down(); });
    connect(HK3, &RKHotKey::HotKeyPressed, this, [] { SinkVolume::toggleMute(); });
}

void TabrazoSz::Form_Load()
{
    加载热键事件();
    加载热键属性();
}

QString TabrazoSz::optionsFile()
{
    return ProgramFiles::path(ProgramFiles::Settings);
}

QString TabrazoSz::optionsSection()
{
    return QStringLiteral("用户设置");
}

QList<QCheckBox*> TabrazoSz::boxesInFileOrder() const
{
    return { 版本自动更新, 开启启动, 自动全屏化, 欢迎动画, 自检测, 增加音量, 减少音量, 禁音 };
}

void TabrazoSz::加载热键事件()
{
    const QString file = optionsFile();
    for (QCheckBox* box : boxesInFileOrder())
        UpdateSL::LoadCheckBox(optionsSection(), file, box);
    mirrorStartOptionToPlayer();
}

void TabrazoSz::加载热键属性()
{
    if (增加音量->isChecked())
        增加音量_MouseUp();
    if (减少音量->isChecked())
        减少音量_MouseUp();
    if (禁音->isChecked())
        禁音_MouseUp();
}

void TabrazoSz::保存设置_Click()
{
    const QString file = optionsFile();
    for (QCheckBox* box : boxesInFileOrder())
        UpdateSL::SaveCheckBox(optionsSection(), file, box);
    for (RKHotKey* field : { HK1, HK2, HK3 })
        field->SaveSettings();
    加载热键属性();
    mirrorStartOptionToPlayer();
}

void TabrazoSz::follow(QCheckBox* box, RKHotKey* field)
{
    field->setHotKeyEnabled(box->isChecked());
    box->setChecked(field->HotKeyEnabled());
}

void TabrazoSz::增加音量_MouseUp()
{
    follow(增加音量, HK1);
}

void TabrazoSz::减少音量_MouseUp()
{
    follow(减少音量, HK2);
}

void TabrazoSz::禁音_MouseUp()
{
    follow(禁音, HK3);
}

void TabrazoSz::mirrorStartOptionToPlayer()
{
    if (!开启启动->isChecked())
        开启启动->setChecked(false);
    emit startOptionChanged(开启启动->isChecked());
}

bool TabrazoSz::autoFullScreen() const
{
    return 自动全屏化->isChecked();
}

bool TabrazoSz::openPlayerAtStart() const
{
    return 开启启动->isChecked();
}

void TabrazoSz::setOpenPlayerAtStart(bool on)
{
    开启启动->setChecked(on);
    保存设置_Click();
}

void TabrazoSz::closeEvent(QCloseEvent* event)
{
    // The close box only hides the window; being unloaded by the program ends the program.
    if (event->spontaneous()) {
        event->ignore();
        hide();
        return;
    }
    Process::end(0);
}
