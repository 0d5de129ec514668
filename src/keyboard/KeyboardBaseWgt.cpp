#include "KeyboardBaseWgt.h"

#include "AppParams.h"
#include "KeyboardBtn.h"
#include "KeyboardLog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>

KeyboardBaseWgt::KeyboardBaseWgt(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("KeyboardBaseWgt"));
    setAccessibleName(tr("键盘"));
    setFixedSize(1100, 330);
    setStyleSheet(QStringLiteral("QFrame#KeyboardBaseWgt{background:rgb(245, 247, 250);border-radius:12px;}"));
    m_group = new QButtonGroup(this);
    m_group->setExclusive(false);
}

KeyboardBaseWgt::~KeyboardBaseWgt()
{
    activate(false);
}

int KeyboardBaseWgt::registerButton(KeyboardBtn *button)
{
    return registerButton(button, m_buttons.size());
}

int KeyboardBaseWgt::registerButton(KeyboardBtn *button, int type)
{
    const int id = m_buttons.size();
    m_group->addButton(button, id);
    m_buttons.append(button);
    KeyInfo info;
    info.firstType = quint32(type);
    info.currentType = quint32(type);
    info.rapidTriggerPress = RapidTriggerDefaultMm;
    info.rapidTriggerRelease = RapidTriggerDefaultMm;
    info.travel = DefaultGlobalTravelMm;
    button->setKeyData(info);
    button->setLayer(m_layer);
    return id;
}

void KeyboardBaseWgt::buildButtonIndex()
{
    m_index.clear();
    for (KeyboardBtn *b : buttons())
        m_index.insert(b->firstType(), b);
}

void KeyboardBaseWgt::setRowLayouts(const QList<QHBoxLayout *> &rows, QGridLayout *numpad)
{
    m_rows = rows;
    m_numpad = numpad;
}

void KeyboardBaseWgt::setLayer(int layer)
{
    m_layer = layer;
    qCDebug(lcKeyboard) << "m_layerType:" << layer;
    for (KeyboardBtn *b : buttons())
        b->setLayer(layer);
}

KeyboardBtn *KeyboardBaseWgt::buttonAt(int row, int column) const
{
    for (KeyboardBtn *b : buttons())
        if (b->matrixRow() == row && b->matrixColumn() == column)
            return b;
    return nullptr;
}

QList<KeyboardBtn *> KeyboardBaseWgt::checkedButtons() const
{
    QList<KeyboardBtn *> out;
    for (KeyboardBtn *b : buttons())
        if (b->isKeyChecked())
            out.append(b);
    return out;
}

void KeyboardBaseWgt::activate(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (!on) {
        for (const QMetaObject::Connection &c : qAsConst(m_connections))
            disconnect(c);
        m_connections.clear();
        return;
    }
    m_connections << connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        if (auto *key = qobject_cast<KeyboardBtn *>(m_group->button(id)))
            emit keyClicked(key);
    });
    for (KeyboardBtn *b : buttons()) {
        m_connections << connect(b, &KeyboardBtn::sigUpateLayoutNewKey, this, &KeyboardBaseWgt::keyDropped);
        m_connections << connect(b, &KeyboardBtn::checkChanged, this,
                                 [this, b](bool checked) { emit keyCheckChanged(b, checked); });
    }
}

void KeyboardBaseWgt::setFace(KeyFace face)
{
    for (KeyboardBtn *b : buttons())
        b->setFace(face);
}

void KeyboardBaseWgt::restoreLegends()
{
    for (KeyboardBtn *b : buttons())
        b->restoreLegend();
}

bool KeyboardBaseWgt::validPosition(const KeyboardBtn *key)
{
    if (key->matrixRow() >= 6 || key->matrixColumn() > 20) {
        qCDebug(lcKeyboard) << "坐标异常" << key->matrixRow() << key->matrixColumn();
        return false;
    }
    return true;
}

void KeyboardBaseWgt::setLiveValues(KeyboardBtn *key, quint16 first, quint16 second)
{
    key->setLiveValues(first, second);
}

void KeyboardBaseWgt::setKeyIdentities(const QMap<int, QList<int>> &typesByRow)
{
    for (KeyboardBtn *b : buttons()) {
        const auto row = typesByRow.constFind(b->matrixRow());
        if (row == typesByRow.cend() || b->matrixColumn() >= row->size())
            continue; // a key the board does not report keeps its types
        const int type = row->at(b->matrixColumn());
        if (type < 0)
            continue;
        KeyInfo info = b->keyData();
        info.firstType = quint32(type);
        info.currentType = quint32(type);
        b->setKeyData(info);
    }
    // The index is by original type, which has just changed.
    buildButtonIndex();
}
