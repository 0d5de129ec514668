#include "KeyboardModels.h"

#include "KeyboardLayouts.h"

Keyboard21Wgt::Keyboard21Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard29Wgt::Keyboard29Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard61Wgt::Keyboard61Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard64Wgt::Keyboard64Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard66AWgt::Keyboard66AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard67Wgt::Keyboard67Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard67AWgt::Keyboard67AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard68Wgt::Keyboard68Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard68AWgt::Keyboard68AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard79AWgt::Keyboard79AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard80Wgt::Keyboard80Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard81Wgt::Keyboard81Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard81AWgt::Keyboard81AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard82AWgt::Keyboard82AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard83Wgt::Keyboard83Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard83AWgt::Keyboard83AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard84Wgt::Keyboard84Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard87Wgt::Keyboard87Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard88Wgt::Keyboard88Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard98Wgt::Keyboard98Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard98AWgt::Keyboard98AWgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard99Wgt::Keyboard99Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

Keyboard104Wgt::Keyboard104Wgt(QWidget *parent) : KeyboardModelWgt(*keyboardLayoutForModel(ModelId), parent)
{
    setModelId(ModelId);
}

KeyboardBaseWgt *createKeyboardView(int model, int layer, QWidget *parent)
{
    KeyboardBaseWgt *view = nullptr;
    switch (model) {
    case Keyboard104Wgt::ModelId: view = new Keyboard104Wgt(parent); break;
    case Keyboard84Wgt::ModelId: view = new Keyboard84Wgt(parent); break;
    case Keyboard87Wgt::ModelId: view = new Keyboard87Wgt(parent); break;
    case Keyboard99Wgt::ModelId: view = new Keyboard99Wgt(parent); break;
    case Keyboard81Wgt::ModelId: view = new Keyboard81Wgt(parent); break;
    case Keyboard67Wgt::ModelId: view = new Keyboard67Wgt(parent); break;
    case Keyboard68Wgt::ModelId: view = new Keyboard68Wgt(parent); break;
    case Keyboard29Wgt::ModelId: view = new Keyboard29Wgt(parent); break;
    case Keyboard64Wgt::ModelId: view = new Keyboard64Wgt(parent); break;
    case Keyboard61Wgt::ModelId: view = new Keyboard61Wgt(parent); break;
    case Keyboard88Wgt::ModelId: view = new Keyboard88Wgt(parent); break;
    case Keyboard83Wgt::ModelId: view = new Keyboard83Wgt(parent); break;
    case Keyboard83AWgt::ModelId: view = new Keyboard83AWgt(parent); break;
    case Keyboard66AWgt::ModelId: view = new Keyboard66AWgt(parent); break;
    case Keyboard21Wgt::ModelId: view = new Keyboard21Wgt(parent); break;
    case Keyboard67AWgt::ModelId: view = new Keyboard67AWgt(parent); break;
    case Keyboard80Wgt::ModelId: view = new Keyboard80Wgt(parent); break;
    case Keyboard98Wgt::ModelId: view = new Keyboard98Wgt(parent); break;
    case Keyboard81AWgt::ModelId: view = new Keyboard81AWgt(parent); break;
    case Keyboard68AWgt::ModelId: view = new Keyboard68AWgt(parent); break;
    case Keyboard82AWgt::ModelId: view = new Keyboard82AWgt(parent); break;
    case Keyboard79AWgt::ModelId: view = new Keyboard79AWgt(parent); break;
    case Keyboard98AWgt::ModelId: view = new Keyboard98AWgt(parent); break;
    default: return nullptr;
    }
    view->setLayer(layer);
    return view;
}
