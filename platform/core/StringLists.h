#pragma once
// String lists (part of Classes.h).

#include "platform/core/Components.h"

// ---------------------------------------------------------------------------------------------
// String lists

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
  VT_CLASS(TStrings, TPersistent)
public:
  String Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const String& S) { Put(Index, S); }
  String operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* Obj) { PutObject(Index, Obj); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }
  void SetCapacity(int NewCapacity) { DoSetCapacity(NewCapacity); }

  virtual int Add(const String& S);
  virtual int AddObject(const String& S, TObject* Obj);
  void Append(const String& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  void AddStrings(const std::vector<String>& Strings);
  void Assign(TPersistent* Source) override;
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const String& S) const;
  int IndexOfName(const String& Name) const;
  int IndexOfObject(const TObject* Obj) const;
  virtual void Insert(int Index, const String& S) = 0;
  void InsertObject(int Index, const String& S, TObject* Obj);
  bool Equals(const TStrings* Strings) const;

  // name=value lines
  String Names(int Index) const;
  String Values(const String& Name) const;
  void SetValues(const String& Name, const String& Value);
  String ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const String& Value);
  char NameValueSeparator() const { return fNameValueSeparator; }
  void SetNameValueSeparator(char c) { fNameValueSeparator = c; }

  // Lines joined by CR LF (each line ends with one); setting splits at CR LF, LF or CR.
  virtual String Text() const;
  virtual void SetText(const String& Value);
  String CommaText() const;
  void SetCommaText(const String& Value);
  String DelimitedText() const;
  void SetDelimitedText(const String& Value);
  char Delimiter() const { return fDelimiter; }
  void SetDelimiter(char c) { fDelimiter = c; }
  char QuoteChar() const { return fQuoteChar; }
  void SetQuoteChar(char c) { fQuoteChar = c; }
  bool StrictDelimiter() const { return fStrictDelimiter; }
  void SetStrictDelimiter(bool v) { fStrictDelimiter = v; }
  std::vector<String> ToVector() const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }

  virtual void LoadFromFile(const String& FileName);
  virtual void SaveToFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream);

  // The underlying operations a descendant provides.
  virtual String Get(int Index) const = 0;
  virtual void Put(int Index, const String& S);
  virtual TObject* GetObject(int /*Index*/) const { return nullptr; }
  virtual void PutObject(int /*Index*/, TObject* /*Obj*/) {}
  virtual int GetCount() const = 0;

protected:
  virtual int GetCapacity() const { return GetCount(); }
  virtual void DoSetCapacity(int /*NewCapacity*/) {}
  // Called with true at the outermost BeginUpdate and false at the matching EndUpdate.
  virtual void SetUpdateState(bool /*Updating*/) {}
  virtual int CompareStrings(const String& S1, const String& S2) const;
  [[noreturn]] void Error(const char* Format, int Data) const;

private:
  String DelimitedTextWith(char delimiter, char quote) const;
  void SetDelimitedTextWith(const String& Value, char delimiter, char quote, bool strict);
  int fUpdateCount = 0;
  char fNameValueSeparator = '=';
  char fDelimiter = ',';
  char fQuoteChar = '"';
  bool fStrictDelimiter = false;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
  VT_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  ~TStringList() override;

  int Add(const String& S) override;
  int AddObject(const String& S, TObject* Obj) override;
  void Clear() override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  void Insert(int Index, const String& S) override;
  void InsertItem(int Index, const String& S, TObject* Obj);
  int IndexOf(const String& S) const override;
  // Binary search of a sorted list: true when found; Index is the match or the insert position.
  virtual bool Find(const String& S, int& Index) const;
  virtual void Sort();
  // Stable sort by Compare; the list is not sorted afterwards.
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return fDuplicates; }
  void SetDuplicates(TDuplicates v) { fDuplicates = v; }
  bool CaseSensitive() const { return fCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // Objects are freed on Delete, Clear and destruction when the list owns them.
  bool OwnsObjects() const { return fOwnsObjects; }
  void SetOwnsObjects(bool v) { fOwnsObjects = v; }

  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* Obj) override;
  int GetCount() const override { return static_cast<int>(fList.size()); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  int GetCapacity() const override { return static_cast<int>(fList.capacity()); }
  void DoSetCapacity(int NewCapacity) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const String& S1, const String& S2) const override;
  virtual void Changed();
  virtual void Changing();

private:
  struct Item {
    String S;
    TObject* Obj = nullptr;
  };
  void CheckIndex(int Index) const;
  std::vector<Item> fList;
  bool fSorted = false;
  TDuplicates fDuplicates = dupIgnore;
  bool fCaseSensitive = false;
  bool fOwnsObjects = false;
  bool fUpdating = false;
};
