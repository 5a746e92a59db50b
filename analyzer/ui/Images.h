#pragma once
// The window's image list: the pictures of the actions, the menus and the PLAN tree.

#include "platform/forms/ImgList.h"

// Indices of the list.
enum TAnalyzerImage {
  imgConnect = 0,
  imgDisconnect,
  imgPrepare,
  imgExecute,
  imgCancel,
  imgPrevious,
  imgNext,
  imgOpen,
  imgSave,
  imgPrint,
  imgUndo,
  imgCut,
  imgCopy,
  imgPaste,
  imgDelete,
  imgOptions,
  imgHelp,
  imgAbout,
  imgSortMerge = 18,  // SORT, MERGE, SORT MERGE, HASH; a table read by ORDER
  imgStatement = 19,
  imgIndexRead = 20,
  imgNaturalRead = 21,
  imgJoin = 22,
  imgClause = 23,
  imgStatistics = 24,
  imgIndexGood = 25,
  imgIndexWarning = 26,
  imgIndexError = 27,
  imgCount = 28
};

// Fills the list (16 x 16) with the pictures above.
void LoadAnalyzerImages(TCustomImageList* list);
// The program's 32 x 32 icon.
void LoadAnalyzerIcon(TIcon* icon);
