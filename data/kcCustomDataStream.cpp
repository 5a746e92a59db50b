// The "DataController1" stream of an unbound data controller.

#include "data/kcCustomData.h"

namespace {
const char* const kStreamHeader = "DataController1";
}

int TkcCustomDataController::MarkStreamedColumns() {
  TkcValueDefs* defs = fDataStorage->ValueDefs();
  const bool provider = IsProviderMode();
  int count = 0;
  for (int i = 0; i < defs->Count(); ++i) {
    TkcValueDef* column = defs->Items(i);
    // In provider mode no column takes part: the values live in the source.
    const bool streamed = !provider && !HasInternalValues(column);
    column->SetStreamed(streamed);
    count += streamed ? 1 : 0;
  }
  return count;
}

void TkcCustomDataController::BeginColumnStreaming() {
  // Item order, whatever the storage order.
  fDataStorage->BeginStreaming([this](TkcValueDef* A, TkcValueDef* B) {
    const int a = fFields->IndexOf(FieldOfValueDef(A)), b = fFields->IndexOf(FieldOfValueDef(B));
    return a < b ? -1 : (a > b ? 1 : 0);
  });
}

void TkcCustomDataController::SaveToStream(TStream* AStream) {
  StreamWriteString(AStream, kStreamHeader);
  const int count = MarkStreamedColumns();
  StreamWriteInteger(AStream, count);
  kcBracket([this] { BeginColumnStreaming(); },
            [&] {
              TkcValueDefs* defs = fDataStorage->ValueDefs();
              for (int i = 0; i < defs->Count(); ++i)
                if (defs->Columns(i)->Streamed())
                  StreamWriteString(AStream, defs->Columns(i)->ValueTypeClass()->ClassName());
              const int records = GetRecordCount();
              StreamWriteInteger(AStream, records);
              for (int r = 0; r < records; ++r) fDataStorage->WriteRecord(r, AStream);
            },
            [this] { fDataStorage->EndStreaming(); });
}

void TkcCustomDataController::LoadFromStream(TStream* AStream) {
  if (IsProviderMode()) throw EkcInvalidDataControllerOperation(kcNotSupportedInProvider);
  if (StreamReadString(AStream) != kStreamHeader) throw EkcInvalidDataControllerOperation(kcInvalidStreamFormat);
  const int count = MarkStreamedColumns();
  if (StreamReadInteger(AStream) != count) throw EkcInvalidDataControllerOperation(kcInvalidStreamFormat);
  kcBracket([this] { BeginColumnStreaming(); },
            [&] {
              TkcValueDefs* defs = fDataStorage->ValueDefs();
              for (int i = 0; i < defs->Count(); ++i)
                if (defs->Columns(i)->Streamed() &&
                    StreamReadString(AStream) != defs->Columns(i)->ValueTypeClass()->ClassName())
                  throw EkcInvalidDataControllerOperation(kcInvalidStreamFormat);
              const std::int32_t records = StreamReadInteger(AStream);
              // Every record takes at least one byte: a count beyond the bytes left is damage, refused
              // before anything is allocated for it.
              if (records < 0 || records > AStream->Remaining()) throw EReadError("Stream read error");
              // A first pass reads every record into one scratch record, so that a damaged record is
              // found before the current records are touched.
              const std::int64_t start = AStream->Position();
              const int scratch = fDataStorage->AppendRecord();
              try {
                for (int r = 0; r < records; ++r) fDataStorage->ReadRecordFromStream(scratch, AStream);
              } catch (...) {
                fDataStorage->DeleteRecord(scratch);
                throw;
              }
              fDataStorage->DeleteRecord(scratch);
              AStream->SetPosition(start);
              kcBracket([this] { BeginUpdate(); },
                        [&] {
                          ClearSelection();
                          fDataStorage->SetRecordCount(records);
                          for (int r = 0; r < records; ++r) fDataStorage->ReadRecordFromStream(r, AStream);
                          CheckEditingAfterRemoval(-1);
                          fInfo->Refresh(true);
                        },
                        [this] { EndUpdate(); });
            },
            [this] { fDataStorage->EndStreaming(); });
}
