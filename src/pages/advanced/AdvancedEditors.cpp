#include "AdvancedEditors.h"

#include "AdvancedKeyKinds.h"
#include "DKSSetWindow.h"
#include "ENDSetWindow.h"
#include "MPTSetWindow.h"
#include "MTSetWindow.h"
#include "MacroSetWindow.h"
#include "RSSetWindow.h"
#include "SOCDSetWindow.h"
#include "TGLSetWindow.h"

#include <array>

namespace {

template <typename Editor>
AdvanceKeySetWindow *make(QWidget *parent)
{
    return new Editor(parent);
}

// Rows in BindKeyType order, as advancedKindTraits().
const std::array<AdvancedEditorFactory, AdvancedKindCount> kEditors = {{
    make<DKSSetWindow>,   // Bind_DKS
    make<MPTSetWindow>,   // Bind_MPT
    make<MTSetWindow>,    // Bind_MT
    make<TGLSetWindow>,   // Bind_TGL
    make<ENDSetWindow>,   // Bind_END
    make<MacroSetWindow>, // Bind_MACRO
    make<SOCDSetWindow>,  // Bind_SOCD
    make<RSSetWindow>,    // Bind_RS
}};

} // namespace

AdvancedEditorFactory advancedEditorFactory(int kind)
{
    return kind >= 0 && kind < AdvancedKindCount ? kEditors[size_t(kind)] : nullptr;
}
