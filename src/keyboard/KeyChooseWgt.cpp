#include "KeyChooseWgt.h"

#include "KeyChooseBtn.h"
#include "KeyTypeTable.h"
#include "KeyboardLayouts.h"
#include "ShellIcons.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int FullSizeModel = 0;

QList<int> typeRange(int first, int last)
{
    QList<int> types;
    for (int t = first; t <= last; ++t)
        types << t;
    return types;
}

// The extended page: application and media keys (without "Desktop" and
// "Lauachpad"), the Fn layer keys, then the Mac and extra keys.
QList<int> extendedPageTypes()
{
    return typeRange(112, 129) + typeRange(137, 139) + typeRange(155, 160);
}

// The lighting page: the backlight keys, "RGB M-" beside them, then the
// logo light keys.
QList<int> lightingPageTypes()
{
    return typeRange(141, 147) + QList<int>{168} + typeRange(161, 167);
}

} // namespace

KeyChooseWgt::KeyChooseWgt(QWidget *parent, int keyUnit) : QWidget(parent), m_keyUnit(qMax(20, keyUnit))
{
    // Small keys with names such as "Backspace" and "R-Enter" need a small
    // font and no padding.
    setStyleSheet(QStringLiteral("QPushButton#KeyChooseBtn{font-size:%1px;padding:0px;"
                                 "background:white;border:1px solid rgb(208, 209, 212);border-radius:4px;}"
                                 "QPushButton#KeyChooseBtn:hover{background:rgb(254, 187, 36);}"
                                 "QPushButton#KeyChooseBtn:disabled{background:rgb(245, 247, 250);}")
                      .arg(m_keyUnit < 32 ? 9 : 10));
    auto *title = m_title = new QLabel(this);
    title->setStyleSheet(QStringLiteral("QLabel{padding-left:20px;font-size:20px;color:#333333;font-weight:bold;}"));

    m_menu = new QTreeWidget(this);
    m_menu->setHeaderHidden(true);
    m_menu->setRootIsDecorated(false);
    m_menu->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_menu->setFixedWidth(120);
    m_menu->setStyleSheet(QStringLiteral("QTreeWidget{border:none;background:transparent;}"
                                         "QTreeWidget::item{height:18px;color:#666666;}"));
    for (int i = 0; i < 4; ++i)
        m_menu->addTopLevelItem(new QTreeWidgetItem);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(basicPage());
    m_pages->addWidget(flowPage(extendedPageTypes(), scaled(54, 36)));
    m_pages->addWidget(flowPage(lightingPageTypes(), scaled(45, 36)));

    auto *note = new QWidget;
    auto *noteRow = new QHBoxLayout(note);
    noteRow->setContentsMargins(0, 0, 0, 0);
    m_help = new QLabel;
    m_help->setFixedSize(20, 20);
    m_help->setPixmap(helpBadge(20, devicePixelRatioF()));
    noteRow->addWidget(m_help);
    m_note = new QLabel;
    noteRow->addWidget(m_note);
    noteRow->addStretch();
    m_pages->addWidget(flowPage(keyTypesOf(KeyCategory::System), scaled(61, 36), note));

    auto *body = new QHBoxLayout;
    body->addWidget(m_menu);
    body->addWidget(m_pages, 1);
    auto *root = new QVBoxLayout(this);
    root->addWidget(title);
    root->addLayout(body, 1);

    connect(m_menu, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            m_pages->setCurrentIndex(m_menu->indexOfTopLevelItem(item));
    });
    m_menu->setCurrentItem(m_menu->topLevelItem(0));
    retranslate();
}

QSize KeyChooseWgt::scaled(int width, int height) const
{
    return QSize(int(std::lround(width * m_keyUnit / double(DefaultKeyUnit))),
                 int(std::lround(height * m_keyUnit / double(DefaultKeyUnit))));
}

void KeyChooseWgt::retranslate()
{
    m_title->setText(tr("自定义按键"));
    m_menu->setAccessibleName(tr("按键分类"));
    const QStringList entries = {tr("基本字符"), tr("扩展字符"), tr("灯效控制"), tr("键盘控制")};
    int widest = 0;
    m_menu->ensurePolished();
    for (int i = 0; i < entries.size(); ++i) {
        m_menu->topLevelItem(i)->setText(0, entries.at(i));
        widest = qMax(widest, m_menu->fontMetrics().horizontalAdvance(entries.at(i)));
    }
    // Wide enough for the longest entry in this language.
    m_menu->setFixedWidth(qMax(100, widest + 24));
    m_note->setText(tr("PS:Win、Mac、Reset、ADJ为长按触发按键"));
}

void KeyChooseWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void KeyChooseWgt::setTitleVisible(bool visible)
{
    m_title->setVisible(visible);
}

void KeyChooseWgt::showPage(int index)
{
    if (QTreeWidgetItem *item = m_menu->topLevelItem(index))
        m_menu->setCurrentItem(item);
}

KeyChooseBtn *KeyChooseWgt::makeButton(int type, const QSize &size, QWidget *parent)
{
    auto *button = new KeyChooseBtn(type, size, parent);
    connect(button, &QPushButton::clicked, this,
            [this, button] { emit sigKeyClicked(int(button->property("Type").toUInt())); });
    m_buttons.append(button);
    return button;
}

QWidget *KeyChooseWgt::basicPage()
{
    // The full-size keyboard drawn smaller: 36 px keys, gaps scaled alike.
    auto *page = new QWidget;
    const KeyboardLayout *layout = keyboardLayoutForModel(FullSizeModel);
    auto makeKey = [this, page](const LayoutKey &key) -> QWidget * {
        const QSize size(int(std::lround(key.width * m_keyUnit)), int(std::lround(key.height * m_keyUnit)));
        return makeButton(key.type, size, page);
    };
    auto noKnob = []() -> QWidget * { return new QWidget; };
    page->setLayout(assembleLayout(*layout, double(m_keyUnit) / 40.0, makeKey, noKnob, nullptr, nullptr));
    return page;
}

QWidget *KeyChooseWgt::flowPage(const QList<int> &types, const QSize &size, QWidget *extra)
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout;
    grid->setSpacing(8);
    constexpr int PerRow = 10;
    for (int i = 0; i < types.size(); ++i)
        grid->addWidget(makeButton(types.at(i), size, page), i / PerRow, i % PerRow);
    auto *column = new QVBoxLayout(page);
    column->addLayout(grid);
    if (extra)
        column->addWidget(extra);
    column->addStretch();
    return page;
}
