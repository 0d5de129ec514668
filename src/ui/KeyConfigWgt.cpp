#include "KeyConfigWgt.h"

#include "AppParams.h"
#include "SignalObject.h"
#include "SoftwareConfig.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

KeyConfigWgt::KeyConfigWgt(QWidget *parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("KeyConfigWgt"));
    for (int page = 0; page < 4; ++page) {
        auto *w = new QWidget(this);
        auto *layout = new QVBoxLayout(w);
        auto *title = new QLabel(w);
        title->setObjectName(QStringLiteral("pageTitle"));
        layout->addWidget(title, 0, Qt::AlignLeft | Qt::AlignTop);
        layout->addStretch();
        m_titles.append(title);
        addWidget(w);
    }
    retranslate();
    connect(SignalObject::instance(), &SignalObject::sigChangePage, this, &KeyConfigWgt::changePage);
}

QString KeyConfigWgt::pageName(int page)
{
    switch (page) {
    case Lighting: return tr("灯光设置");
    case Performance: return tr("性能设置");
    case CustomKeys: return tr("自定义键");
    case AdvancedKeys: return tr("高级键");
    default: return QString();
    }
}

void KeyConfigWgt::changePage(int page)
{
    if (page < 0 || page >= count())
        return;
    SignalObject *hub = SignalObject::instance();
    emit hub->sigKeyBoardUpdate();
    setCurrentIndex(page);
    if (page != Performance) {
        emit hub->sigStopKeyTest();
        emit hub->sigStopAdjusting();
    }
    if (page != CustomKeys)
        emit hub->sigResetKeyText();
    if (page == Performance) {
        emit hub->sigKeyOptional(SoftwareConfig::instance()->keysSelectable());
        emit hub->sigShowQuickTouchKeyBorder(AppParams::performanceSubPage() != 2);
        AppParams::setPerKeyColouringAllowed(0);
    } else {
        emit hub->sigKeyOptional(false);
        emit hub->sigShowQuickTouchKeyBorder(false);
        if (page == Lighting) {
            const bool perKey = AppParams::lightingModeIndex() >= 15;
            AppParams::setPerKeyColouringAllowed(perKey ? 1 : 0);
            emit hub->sigShowKRGBColor(perKey);
        } else {
            AppParams::setPerKeyColouringAllowed(0);
        }
    }
    emit hub->sigKeyConfigPage(page);
    AppParams::setCurrentPage(page);
}

void KeyConfigWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QStackedWidget::changeEvent(event);
}

void KeyConfigWgt::retranslate()
{
    for (int page = 0; page < m_titles.size(); ++page)
        m_titles[page]->setText(pageName(page));
}
