// PDF files of report pages: written whole with their document information, read back with qpdf.
#include "platform/report/pdf_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/core/runtime_errors.h"

namespace platform::report {
namespace {

PageMetafile page(int number, const std::string& text) {
  PageMetafile p;
  p.number = number;
  p.width = 8500;
  p.height = 11000;
  p.ops.push_back(BoxOp{{500, 500, 7500, 1000}, 0, 0x614025, 10, "?BOX"});
  TextOp t;
  t.at = {600, 600, 5000, 200};
  t.text = text;
  t.font = {"Arial", 8, layout::FontStyle::Bold};
  t.colour = 0xFFFFFF;
  p.ops.push_back(t);
  p.ops.push_back(LineOp{500, 2000, 8000, 2000, 0, 10, "?LINE"});
  return p;
}

class PdfFileTest : public ::testing::Test {
 protected:
  std::string path(const char* name) const { return folder.filePath(name).toStdString(); }
  QTemporaryDir folder;
  PageMetafile one = page(1, "Página uno"), two = page(2, "Página dos");
  std::vector<const PageMetafile*> pages{&one, &two};
};

TEST_F(PdfFileTest, TheDocumentInformationIsWrittenAsGiven) {
  const PdfInformation info{"QV Report", "Creador", "Productor ñ", "Asunto", "", ""};
  int failure = 0;
  ASSERT_TRUE(writePdf(pages, path("a.pdf"), info, PdfOptions{}, failure)) << failure;
  EXPECT_EQ(failure, errors::kNone);
  std::string error;
  PdfInformation read;
  ASSERT_TRUE(readPdfInformation(path("a.pdf"), read, error)) << error;
  EXPECT_EQ(read, info) << "the producer is ours, not the painter's; empty values are left out";
  int count = 0;
  std::vector<std::string> bookmarks;
  ASSERT_TRUE(readPdfOutline(path("a.pdf"), count, bookmarks, error)) << error;
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(bookmarks.empty());
  for (const auto& entry : std::filesystem::directory_iterator(folder.path().toStdString()))
    EXPECT_EQ(entry.path().filename(), "a.pdf") << "no temporary file is left behind";
}

TEST_F(PdfFileTest, PageBookmarksWhenAsked) {
  PdfOptions options;
  options.pageBookmarks = true;
  options.bookmarkText = "Página ";
  options.compress = false;
  int failure = 0;
  ASSERT_TRUE(writePdf(pages, path("b.pdf"), {}, options, failure)) << failure;
  std::string error;
  int count = 0;
  std::vector<std::string> bookmarks;
  ASSERT_TRUE(readPdfOutline(path("b.pdf"), count, bookmarks, error)) << error;
  EXPECT_EQ(bookmarks, (std::vector<std::string>{"Página 1", "Página 2"}));
  std::ifstream in(path("b.pdf"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.find("/FlateDecode"), std::string::npos) << "uncompressed streams";
}

TEST_F(PdfFileTest, AFailedWriteLeavesTheFileAsItWasAndSaysWhy) {
  {
    std::ofstream existing(path("c.pdf"));
    existing << "earlier";
  }
  ASSERT_TRUE(std::filesystem::create_directory(path("carpeta.pdf")));
  const struct {
    std::vector<const PageMetafile*> pages;
    std::string path;
    int error;
  } cases[] = {
      {{}, path("c.pdf"), errors::kInvalidParameters},
      {pages, "", errors::kInvalidFileName},
      {pages, path("no such folder/d.pdf"), errors::kPathNotFound},
      {pages, path("carpeta.pdf"), errors::kAccessDenied},
      {pages, path(std::string(300, 'x').c_str()), errors::kInvalidFileName},
  };
  for (const auto& c : cases) {
    int error = errors::kNone;
    EXPECT_FALSE(writePdf(c.pages, c.path, {}, PdfOptions{}, error)) << c.path;
    EXPECT_EQ(error, c.error) << c.path;
  }
  std::ifstream in(path("c.pdf"));
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "earlier");
  EXPECT_FALSE(std::filesystem::exists(path("no such folder")));
  EXPECT_TRUE(std::filesystem::is_directory(path("carpeta.pdf")));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path().toStdString()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"c.pdf", "carpeta.pdf"})) << "no temporary file is left behind";
  PdfInformation info;
  std::string error;
  EXPECT_FALSE(readPdfInformation(path("c.pdf"), info, error)) << "not a PDF";
}

}  // namespace
}  // namespace platform::report
