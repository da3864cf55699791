#include "platform/report/pdf_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPdfWriter>
#include <cerrno>
#include <filesystem>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/core/runtime_errors.h"
#include "platform/report/page_painter.h"

namespace platform::report {
namespace {

namespace fs = std::filesystem;

// A file beside the target, removed when it goes out of scope unless it was kept.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& target, const char* tag)
      : path_(target + "." + tag + "-" + std::to_string(::getpid())) {}
  ~TemporaryFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The runtime error behind a failed system call on a file.
int fileError(int systemError) {
  switch (systemError) {
    case ENOENT:
    case ENOTDIR:
      return errors::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return errors::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return errors::kDiskFull;
    case ENAMETOOLONG:
      return errors::kInvalidFileName;
    default:
      return errors::kCannotCreate;
  }
}

// Makes the (empty) file, so that a folder that is missing or may not be written is told apart
// from a painting that fails.
int makeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return fileError(errno);
  ::close(fd);
  return errors::kNone;
}

void setEntry(QPDFObjectHandle& dictionary, const char* key, const std::string& value) {
  if (value.empty())
    dictionary.removeKey(key);
  else
    dictionary.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
}

void addPageBookmarks(QPDF& pdf, const std::string& text) {
  std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
  if (pages.empty()) return;
  QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
  std::vector<QPDFObjectHandle> items;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(text + std::to_string(i + 1)));
    item.replaceKey("/Parent", outlines);
    QPDFObjectHandle destination = QPDFObjectHandle::newArray();
    destination.appendItem(pages[i]);
    destination.appendItem(QPDFObjectHandle::newName("/Fit"));
    item.replaceKey("/Dest", destination);
    items.push_back(item);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) items[i].replaceKey("/Prev", items[i - 1]);
    if (i + 1 < items.size()) items[i].replaceKey("/Next", items[i + 1]);
  }
  outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
  outlines.replaceKey("/First", items.front());
  outlines.replaceKey("/Last", items.back());
  outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(items.size())));
  QPDFObjectHandle root = pdf.getRoot();
  root.replaceKey("/Outlines", outlines);
  root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}

}  // namespace

bool writePdf(const std::vector<const PageMetafile*>& pages, const std::string& path, const PdfInformation& info,
              const PdfOptions& options, int& error) {
  if (path.empty()) {
    error = errors::kInvalidFileName;
    return false;
  }
  TemporaryFile painted(path, "painting");
  if ((error = makeFile(painted.path())) != errors::kNone) return false;
  {
    QPdfWriter writer(QString::fromStdString(painted.path()));
    writer.setResolution(options.resolution);
    writer.setTitle(QString::fromStdString(info.title));
    writer.setCreator(QString::fromStdString(info.creator));
    if (!paintPages(writer, pages, error)) return false;
  }
  TemporaryFile finished(path, "writing");
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(painted.path().c_str());
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle information = trailer.getKey("/Info");
    if (!information.isDictionary()) {
      information = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      trailer.replaceKey("/Info", information);
    }
    setEntry(information, "/Title", info.title);
    setEntry(information, "/Creator", info.creator);
    setEntry(information, "/Producer", info.producer);
    setEntry(information, "/Subject", info.subject);
    setEntry(information, "/Author", info.author);
    setEntry(information, "/Keywords", info.keywords);
    if (options.pageBookmarks) addPageBookmarks(pdf, options.bookmarkText);
    QPDFWriter writer(pdf, finished.path().c_str());
    writer.setCompressStreams(options.compress);
    if (!options.compress) writer.setStreamDataMode(qpdf_s_uncompress);
    writer.write();
  } catch (const std::exception&) {
    // qpdf read what QPdfWriter left, or wrote beside it: the file system failed under it.
    error = errors::kIoError;
    return false;
  }
  std::error_code failed;
  fs::rename(finished.path(), path, failed);
  if (failed) {
    error = failed.category() == std::system_category() || failed.category() == std::generic_category()
                ? fileError(failed.value())
                : errors::kCannotCreate;
    return false;
  }
  error = errors::kNone;
  return true;
}

bool readPdfInformation(const std::string& path, PdfInformation& info, std::string& error) {
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    QPDFObjectHandle information = pdf.getTrailer().getKey("/Info");
    info = {};
    if (!information.isDictionary()) return true;
    const auto value = [&](const char* key) {
      QPDFObjectHandle v = information.getKey(key);
      return v.isString() ? v.getUTF8Value() : std::string();
    };
    info = {value("/Title"),   value("/Creator"), value("/Producer"),
            value("/Subject"), value("/Author"),  value("/Keywords")};
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

bool readPdfOutline(const std::string& path, int& pageCount, std::vector<std::string>& bookmarks, std::string& error) {
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    pageCount = static_cast<int>(pdf.getAllPages().size());
    bookmarks.clear();
    QPDFObjectHandle outlines = pdf.getRoot().getKey("/Outlines");
    if (!outlines.isDictionary()) return true;
    // A damaged outline may loop: never read more items than a sane file could hold.
    QPDFObjectHandle item = outlines.getKey("/First");
    for (int n = 0; item.isDictionary() && n < 100000; ++n, item = item.getKey("/Next")) {
      QPDFObjectHandle title = item.getKey("/Title");
      bookmarks.push_back(title.isString() ? title.getUTF8Value() : std::string());
    }
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace platform::report
