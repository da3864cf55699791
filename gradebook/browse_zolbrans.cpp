#include "gradebook/browse_zolbrans.h"

#include "dictionary/managers.h"
#include "dictionary/program.h"
#include "gradebook/update_zolbrans.h"
#include "platform/classes/browse_list.h"
#include "platform/classes/control_resizer.h"
#include "platform/classes/view_manager.h"
#include "platform/classes/window_controller.h"
#include "platform/core/record_queue.h"
#include "platform/ui/controls/sheet_control.h"
#include "platform/ui/window.h"

namespace gradebook {
namespace {

using dictionary::File;
using dictionary::FileManagerOf;
using dictionary::RelationManagerOf;

constexpr int kTeacherForm = 1;  // the number runProcedure knows UpdateZOLBRANS by
constexpr int kByName = 1;       // sort orders
constexpr int kById = 2;

// The rows of the list: key, name and id of each teacher.
const platform::RecordLayout& teacherRows() {
  static const platform::RecordLayout layout({{"MAE:CLAVE", platform::FieldType::Long},
                                              {"MAE:NOMBRE", platform::FieldType::String, 100},
                                              {"MAE:ID_MAE", platform::FieldType::Long}});
  return layout;
}

// The list of teachers: the second tab ("Por Nombre") lists them by name, the first ("Por Clave")
// by id, the order of the primary key.
class TeacherList : public platform::BrowseList {
 public:
  using BrowseList::BrowseList;

 protected:
  bool chooseSortOrder(bool force) override {
    auto& tabs = dynamic_cast<platform::ui::SheetControl&>(window().window().control("?CURRENTTAB"));
    return setSort(tabs.selectedTab() == 2 ? kByName : kById, force);
  }
};

class TeacherLookup : public platform::WindowController {
 public:
  explicit TeacherLookup(platform::ui::Window& window)
      : WindowController(window, dictionary::program().errors(), "BrowseZOLBRANS",
                         {dictionary::ThisThread().Request, dictionary::ThisThread().Response,
                          dictionary::ThisThread().NavigationRequest}),
        view_(*FileManagerOf(File::ZOLBRANS)),
        list_(*this),
        resizer_(window) {
    setFirstField("?BROWSE:1");
  }

  int init() override {
    if (const int level = WindowController::init()) return level;
    const platform::storage::FileDecl& teachers = FileManagerOf(File::ZOLBRANS)->file().decl();
    list_.addSortOrder(teachers.keyNamed("AK_NOMBRE"));
    list_.setLocator("MAE:NOMBRE", true);
    list_.addSortOrder(teachers.keyNamed("PK_ZOLBRANS"));
    list_.setLocator("MAE:ID_MAE", true);
    for (const char* name : {"MAE:CLAVE", "MAE:NOMBRE", "MAE:ID_MAE"}) list_.addField(name, name);
    const QSize size = window().handle()->size();
    resizer_.init(size, size);
    addComponent(resizer_);
    list_.setUpdateProcedure(kTeacherForm);
    return platform::kLevelBenign;
  }

  bool openFiles() override {
    const bool selecting = request() == platform::kRequestSelect;
    setCloseControl("?CLOSE", selecting ? platform::kResponseCancelled : platform::kResponseCompleted);
    RelationManagerOf(File::ZOLBRANS)->open();
    view_.open();
    list_.init("?BROWSE:1", view_, rows_);
    list_.setSelectControl("?SELECT");
    window().control("?SELECT").setHidden(!selecting);
    if (request() != platform::kRequestView) {
      list_.setInsertControl("?INSERT:2");
      list_.setChangeControl("?CHANGE:2");
      list_.setDeleteControl("?DELETE:2");
    }
    return true;
  }
  void closeFiles() override {
    view_.close();
    RelationManagerOf(File::ZOLBRANS)->close();
  }

  int runProcedure(int number, int request) override {
    if (number != kTeacherForm || this->request() == platform::kRequestView) return platform::kResponseCancelled;
    dictionary::ThisThread().Request = static_cast<std::uint8_t>(request);
    UpdateZOLBRANS();
    return dictionary::ThisThread().Response;
  }

 private:
  platform::ViewManager view_;
  platform::RecordQueue rows_{teacherRows()};
  TeacherList list_;
  platform::ControlResizer resizer_;
};

}  // namespace

void BrowseZOLBRANS() {
  platform::ui::Window window("browse_zolbrans", dictionary::program().locale());
  TeacherLookup lookup(window);
  dictionary::ThisThread().Response = static_cast<std::uint8_t>(lookup.run());
}

}  // namespace gradebook
