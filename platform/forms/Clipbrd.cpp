#include "platform/forms/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

const char* const kPictureMime = "application/x-kc-picture";

// The clipboard of the process, when there is no desktop clipboard.
struct LocalClip {
  bool hasText = false;
  String text;
  std::unique_ptr<TBitmap> bitmap;
  String pictureClass;
  std::string pictureBytes;
  std::map<UINT, std::string> data;  // registered formats
};

std::vector<String>& FormatNames() {
  static std::vector<String> names;
  return names;
}
constexpr UINT kFirstRegistered = 0xC100;

// The MIME type a registered format travels under on the desktop clipboard.
QString FormatMime(UINT format) {
  const auto& names = FormatNames();
  if (format < kFirstRegistered || format - kFirstRegistered >= names.size()) return QString();
  return QStringLiteral("application/x-vt-") + QString::fromStdString(names[format - kFirstRegistered]);
}
LocalClip& Local() {
  static LocalClip c;
  return c;
}

QClipboard* Desktop() { return qGuiApp ? QGuiApplication::clipboard() : nullptr; }

QImage ToImage(TBitmap& b) {
  Surface* s = b.Pixels();
  if (!s) return QImage();
  return QImage(reinterpret_cast<const uchar*>(s->Bits()), s->Width(), s->Height(), s->StrideBytes(),
                QImage::Format_RGB32)
      .copy();
}

void BitmapFromImage(const QImage& image, TBitmap& b) {
  QImage img = image.convertToFormat(QImage::Format_RGB32);
  b.AssignPixels(img.width(), img.height(), reinterpret_cast<const Pixel*>(img.constBits()),
                 static_cast<int>(img.bytesPerLine() / 4));
}

}  // namespace

String TClipboard::AsText() const {
  if (QClipboard* c = Desktop()) return c->text().toStdString();
  return Local().hasText ? Local().text : String();
}

void TClipboard::SetAsText(const String& v) {
  Clear();
  Local().hasText = true;
  Local().text = v;
  if (QClipboard* c = Desktop()) c->setText(QString::fromStdString(v));
}

void TClipboard::Clear() {
  Local() = LocalClip{};
  if (QClipboard* c = Desktop()) c->clear();
}

bool TClipboard::HasFormat(UINT format) const {
  if (QClipboard* c = Desktop()) {
    const QMimeData* m = c->mimeData();
    if (!m) return false;
    switch (format) {
      case CF_TEXT:
      case CF_UNICODETEXT: return m->hasText();
      case CF_BITMAP: return m->hasImage();
      case CF_PICTURE: return m->hasFormat(kPictureMime);
      default: {
        const QString mime = FormatMime(format);
        return !mime.isEmpty() && m->hasFormat(mime);
      }
    }
  }
  switch (format) {
    case CF_TEXT:
    case CF_UNICODETEXT: return Local().hasText;
    case CF_BITMAP: return Local().bitmap != nullptr;
    case CF_PICTURE: return !Local().pictureClass.empty();
    default: return Local().data.count(format) > 0;
  }
}

void TClipboard::Assign(TGraphic* g) {
  Clear();
  if (!g || g->Empty()) return;
  TMemoryStream stream;
  g->SaveToStream(&stream);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(g);
  LocalClip& l = Local();
  l.pictureClass = g->ClassName();
  l.pictureBytes.assign(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
  if (QClipboard* c = Desktop()) {
    auto* m = new QMimeData;
    QByteArray data(l.pictureClass.c_str(), static_cast<qsizetype>(l.pictureClass.size() + 1));
    data.append(l.pictureBytes.data(), static_cast<qsizetype>(l.pictureBytes.size()));
    m->setData(kPictureMime, data);
    m->setImageData(ToImage(*bitmap));
    c->setMimeData(m);
  }
  l.bitmap = std::move(bitmap);
}

bool TClipboard::AssignTo(TPicture* picture) const {
  if (!picture) return false;
  String cls;
  std::string bytes;
  std::unique_ptr<TBitmap> bitmap;
  if (QClipboard* c = Desktop()) {
    const QMimeData* m = c->mimeData();
    if (!m) return false;
    if (m->hasFormat(kPictureMime)) {
      QByteArray data = m->data(kPictureMime);
      auto nul = data.indexOf('\0');
      if (nul > 0) {
        cls.assign(data.constData(), static_cast<std::size_t>(nul));
        bytes.assign(data.constData() + nul + 1, static_cast<std::size_t>(data.size() - nul - 1));
      }
    } else if (m->hasImage()) {
      bitmap = std::make_unique<TBitmap>();
      BitmapFromImage(qvariant_cast<QImage>(m->imageData()), *bitmap);
    }
  } else {
    cls = Local().pictureClass;
    bytes = Local().pictureBytes;
    if (cls.empty() && Local().bitmap) {
      bitmap = std::make_unique<TBitmap>();
      bitmap->Assign(Local().bitmap.get());
    }
  }
  if (!cls.empty()) {
    TGraphicClass gc = GraphicClassByName(cls);
    if (gc) {
      std::unique_ptr<TGraphic> g(gc.Create());
      TMemoryStream s;
      s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      s.SetPosition(0);
      g->LoadFromStream(&s);
      picture->AdoptGraphic(std::move(g));
      return true;
    }
  }
  if (bitmap) {
    picture->AdoptGraphic(std::move(bitmap));
    return true;
  }
  return false;
}

UINT RegisterClipboardFormat(const String& name) {
  auto& names = FormatNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return kFirstRegistered + static_cast<UINT>(i);
  names.push_back(name);
  return kFirstRegistered + static_cast<UINT>(names.size() - 1);
}

void TClipboard::SetTextWithData(const String& text, UINT format, const std::string& data) {
  Clear();
  LocalClip& l = Local();
  l.hasText = true;
  l.text = text;
  l.data[format] = data;
  if (QClipboard* c = Desktop()) {
    auto* m = new QMimeData;
    m->setText(QString::fromStdString(text));
    const QString mime = FormatMime(format);
    if (!mime.isEmpty()) m->setData(mime, QByteArray(data.data(), static_cast<qsizetype>(data.size())));
    c->setMimeData(m);
  }
}

bool TClipboard::GetData(UINT format, std::string& data) const {
  if (QClipboard* c = Desktop()) {
    const QMimeData* m = c->mimeData();
    const QString mime = FormatMime(format);
    if (!m || mime.isEmpty() || !m->hasFormat(mime)) return false;
    const QByteArray bytes = m->data(mime);
    data.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
  }
  auto it = Local().data.find(format);
  if (it == Local().data.end()) return false;
  data = it->second;
  return true;
}

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}
