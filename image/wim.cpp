#include "image/wim.h"

#include <wimlib.h>

#include <cstdlib>
#include <memory>

#include "image/hive.h"

namespace presetra::image {

namespace {

constexpr const char* kSystemPath = "/Windows/System32/config/SYSTEM";
constexpr const char* kSoftwarePath = "/Windows/System32/config/SOFTWARE";

struct WimCloser {
  void operator()(WIMStruct* wim) const { wimlib_free(wim); }
};

std::string Property(WIMStruct* wim, int image, const char* name) {
  const char* value = wimlib_get_image_property(wim, image, name);
  return value == nullptr ? std::string() : std::string(value);
}

// "1: Windows 10 Pro (Professional, build 19041)"
std::string ImageLine(WIMStruct* wim, int image) {
  std::string line = std::to_string(image) + ": ";
  const std::string name = Property(wim, image, "NAME");
  line += name.empty() ? "(no name)" : name;
  const std::string edition = Property(wim, image, "WINDOWS/EDITIONID");
  const std::string build = Property(wim, image, "WINDOWS/VERSION/BUILD");
  if (!edition.empty() || !build.empty()) {
    line += " (";
    line += edition.empty() ? "edition unknown" : edition;
    line += build.empty() ? std::string(", build unknown") : ", build " + build;
    line += ")";
  }
  return line;
}

std::string WimError(int code) {
  const char* text = wimlib_get_error_string(static_cast<wimlib_error_code>(code));
  return text == nullptr ? "wimlib error " + std::to_string(code) : std::string(text);
}

}  // namespace

WimHives::WimHives(const std::string& file, int index) {
  // Windows finds its files ignoring case; so do the paths below.
  wimlib_global_init(WIMLIB_INIT_FLAG_DEFAULT_CASE_INSENSITIVE);
  wimlib_set_print_errors(false);
  WIMStruct* opened = nullptr;
  if (int code = wimlib_open_wim(file.c_str(), 0, &opened); code != 0) {
    throw ImageError(file + ": not a WIM or ESD file that can be read: " + WimError(code));
  }
  std::unique_ptr<WIMStruct, WimCloser> wim(opened);
  wimlib_wim_info info{};
  wimlib_get_wim_info(wim.get(), &info);
  const int count = static_cast<int>(info.image_count);
  if (index == 0) {
    if (count != 1) {
      std::string message = file + ": the file holds " + std::to_string(count) +
                            " images; name one as " + file + ":INDEX";
      for (int i = 1; i <= count; ++i) message += "\n  " + ImageLine(wim.get(), i);
      throw ImageError(message);
    }
    index = 1;
  }
  if (index < 1 || index > count) {
    throw ImageError(file + ":" + std::to_string(index) + ": no such image; the file holds " +
                     std::to_string(count) + (count == 1 ? " image" : " images"));
  }
  index_ = index;
  name_ = Property(wim.get(), index, "NAME");
  build_ = Property(wim.get(), index, "WINDOWS/VERSION/BUILD");

  std::string pattern = (std::filesystem::temp_directory_path() / "presetra-image-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw ImageError("cannot make a private temporary folder for the image's hives");
  }
  folder_ = pattern;
  // Each hive into a folder of its own: the file keeps the case the image gave its name.
  auto extract = [&](const char* path) -> std::optional<std::filesystem::path> {
    const std::filesystem::path into = folder_ / std::filesystem::path(path).filename();
    std::filesystem::create_directory(into);
    const char* paths[] = {path};
    const int code = wimlib_extract_paths(wim.get(), index, into.c_str(), paths, 1,
                                          WIMLIB_EXTRACT_FLAG_NO_PRESERVE_DIR_STRUCTURE);
    if (code == WIMLIB_ERR_PATH_DOES_NOT_EXIST) return std::nullopt;
    if (code != 0) {
      throw ImageError(file + ":" + std::to_string(index) + ": " + path +
                       " cannot be extracted: " + WimError(code));
    }
    for (const auto& entry : std::filesystem::directory_iterator(into)) {
      if (entry.is_regular_file()) return entry.path();
    }
    throw ImageError(file + ":" + std::to_string(index) + ": " + path + " is no file");
  };
  try {
    auto system = extract(kSystemPath);
    if (!system) {
      throw ImageError(file + ":" + std::to_string(index) +
                       ": the image holds no Windows\\System32\\config\\SYSTEM");
    }
    system_ = *system;
    software_ = extract(kSoftwarePath);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw;
  }
}

WimHives::~WimHives() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace presetra::image
