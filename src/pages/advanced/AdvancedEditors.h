#pragma once

// The page side of advancedKindTraits(): the editor window of each kind.
// The model library holds no widgets, so the editors sit in a table of
// their own whose rows line up with the traits table by kind.

class AdvanceKeySetWindow;
class QWidget;

using AdvancedEditorFactory = AdvanceKeySetWindow *(*)(QWidget *parent);

// The factory of a kind's editor; nullptr for anything but a kind.
AdvancedEditorFactory advancedEditorFactory(int kind);
