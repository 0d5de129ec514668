#pragma once

#include "KeyboardModelWgt.h"

// The keyboard models. Each is its layout data and nothing more; the model
// id is the number under which the main window keeps the model's views.

class Keyboard21Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 15;
    explicit Keyboard21Wgt(QWidget *parent = nullptr);
};

class Keyboard29Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 8;
    explicit Keyboard29Wgt(QWidget *parent = nullptr);
};

class Keyboard61Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 10;
    explicit Keyboard61Wgt(QWidget *parent = nullptr);
};

class Keyboard64Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 9;
    explicit Keyboard64Wgt(QWidget *parent = nullptr);
};

class Keyboard66AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 14;
    explicit Keyboard66AWgt(QWidget *parent = nullptr);
};

class Keyboard67Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 5;
    explicit Keyboard67Wgt(QWidget *parent = nullptr);
};

class Keyboard67AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 16;
    explicit Keyboard67AWgt(QWidget *parent = nullptr);
};

class Keyboard68Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 6;
    explicit Keyboard68Wgt(QWidget *parent = nullptr);
};

class Keyboard68AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 20;
    explicit Keyboard68AWgt(QWidget *parent = nullptr);
};

class Keyboard79AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 22;
    explicit Keyboard79AWgt(QWidget *parent = nullptr);
};

class Keyboard80Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 17;
    explicit Keyboard80Wgt(QWidget *parent = nullptr);
};

class Keyboard81Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 4;
    explicit Keyboard81Wgt(QWidget *parent = nullptr);
};

class Keyboard81AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 19;
    explicit Keyboard81AWgt(QWidget *parent = nullptr);
};

class Keyboard82AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 21;
    explicit Keyboard82AWgt(QWidget *parent = nullptr);
};

class Keyboard83Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 12;
    explicit Keyboard83Wgt(QWidget *parent = nullptr);
};

class Keyboard83AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 13;
    explicit Keyboard83AWgt(QWidget *parent = nullptr);
};

class Keyboard84Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 1;
    explicit Keyboard84Wgt(QWidget *parent = nullptr);
};

class Keyboard87Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 2;
    explicit Keyboard87Wgt(QWidget *parent = nullptr);
};

class Keyboard88Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 11;
    explicit Keyboard88Wgt(QWidget *parent = nullptr);
};

class Keyboard98Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 18;
    explicit Keyboard98Wgt(QWidget *parent = nullptr);
};

class Keyboard98AWgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 23;
    explicit Keyboard98AWgt(QWidget *parent = nullptr);
};

class Keyboard99Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 3;
    explicit Keyboard99Wgt(QWidget *parent = nullptr);
};

class Keyboard104Wgt : public KeyboardModelWgt {
    Q_OBJECT
public:
    static constexpr int ModelId = 0;
    explicit Keyboard104Wgt(QWidget *parent = nullptr);
};

// The view of a model on a Fn layer; nullptr for a model without a view.
KeyboardBaseWgt *createKeyboardView(int model, int layer, QWidget *parent = nullptr);
