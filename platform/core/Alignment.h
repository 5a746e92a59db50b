#pragma once
// Text alignment, shared by the dataset model's fields and the controls that show them.

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
