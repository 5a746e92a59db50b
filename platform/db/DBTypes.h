#pragma once
// The dataset model's shared declarations (part of DB.h): errors, field types, states, data
// events, options, event types and field definitions.

#include "platform/core/Alignment.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Variants.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TDataSource;
class TDataLink;

VT_DECLARE_EXCEPTION(EDatabaseError, Exception);

// Raises EDatabaseError; with a named component the text is "Name: Message".
[[noreturn]] void DatabaseError(const String& Message, TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& Message, const std::vector<TVarRec>& Args,
                                   TComponent* Component = nullptr);

// Field types, numbered as the framework numbers them. The ranges ftBlob..ftTypedBinary
// (binary and text blobs), ftBlob..ftCursor and ftADT..ftDataSet stay contiguous.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd,
  ftFixedWideChar,
  ftWideMemo,
  ftOraTimeStamp,
  ftOraInterval
};
static_assert(ftOraInterval == 41, "field type ordinals are fixed");
const char* FieldTypeName(TFieldType t);  // "String", "Integer", ...

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

// The data events sent to data sources and links; the numbers are fixed.
enum TDataEvent {
  deFieldChange = 0,
  deRecordChange = 1,
  deDataSetChange = 2,
  deDataSetScroll = 3,
  deLayoutChange = 4,
  deUpdateRecord = 5,
  deUpdateState = 6,
  deCheckBrowseMode = 7,
  dePropertyChange = 8,
  deFieldListChange = 9,
  deFocusControl = 10,
  deParentScroll = 11,
  deConnectChange = 12,
  deReconcileError = 13,
  deDisabledStateChange = 14
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption, 2>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption, 2>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TGetMode { gmCurrent, gmNext, gmPrior };

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const String& Text)>;

// ---------------------------------------------------------------------------------------------
// Field definitions: what the dataset's storage holds, from which default fields are made.

class TFieldDef {
public:
  String Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  int Precision = 0;
  bool Required = false;
  bool ReadOnly = false;
  int FieldNo = 0;  // 1-based position in the record
};

class TFieldDefs {
public:
  int Count() const { return static_cast<int>(fItems.size()); }
  TFieldDef& Items(int Index) const;
  TFieldDef& operator[](int Index) const { return Items(Index); }
  TFieldDef& Add(const String& Name, TFieldType DataType, int Size = 0, bool Required = false);
  TFieldDef* Find(const String& Name) const;  // letter case ignored; null when absent
  int IndexOf(const String& Name) const;
  void Clear() { fItems.clear(); }

private:
  std::vector<std::unique_ptr<TFieldDef>> fItems;
};
