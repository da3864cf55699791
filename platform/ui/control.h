// Controls: what a window is made of. Each control kind (box, image, prompt, entry, button ...)
// is a ControlKind that reads its own fields of a ControlDefinition and makes a Control, which
// owns the Qt widget. A window finds kinds by name in a ControlKinds registry; a new kind is one
// more class added to ControlKinds::standard(), and nothing else changes.
//
// A Control offers the properties that procedures set and read, each in the platform's terms
// (texts in UTF-8, colours as 00BBGGRRh with -1 for the default). A kind that has no such property
// keeps the base behaviour: setReadOnly on a button does nothing and reports false.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/picture.h"
#include "platform/ui/variable.h"
#include "platform/ui/window_definition.h"

namespace platform::ui {

class Window;

class Control {
 public:
  Control(Window& window, const ControlDefinition& definition);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int number() const { return definition_.number; }
  const std::string& label() const { return definition_.label; }
  const ControlDefinition& definition() const { return definition_; }
  Window& window() const { return window_; }
  // The widget that shows the control (null once the window has been destroyed).
  // Menus and their items have none: they live in the window's menu bar.
  virtual QWidget* widget() const = 0;
  // Where controls that name this one as their parent are placed; null when it holds none.
  virtual QWidget* container() const { return nullptr; }
  // The size the control takes where its definition gives none, in pixels.
  virtual QSize defaultSize() const;

  // Called when the window has given the control its place and size.
  virtual void placed() {}
  // Called once the window holds every control: a control that works with others (a prompt with
  // the control it labels) finds them here.
  virtual void windowComplete() {}
  // Whether the control takes its place from its parent (a tab from its sheet) rather than from
  // the window.
  virtual bool placesItself() const { return false; }

  // Whether the Tab key stops at the control.
  virtual bool takesFocus() const { return false; }
  // Whether the control can hold the focus at all: one that the Tab key passes by ("skip") still
  // can when the program or the mouse gives it the focus.
  virtual bool canHoldFocus() const { return takesFocus(); }
  // Whether the control holds a value that the user gives (entries, drop lists of choices, combos):
  // the controls that a window's accept-all pass accepts again.
  virtual bool acceptsInput() const { return false; }
  // Takes into the use variable what the user changed and the control has not taken yet, without
  // posting anything; true when there was something to take.
  virtual bool takePendingInput() { return false; }
  // Where the control lies among its siblings: sheets under everything, frames (groups) under
  // the controls they frame, everything else as the definition orders it.
  enum class Layer { Bottom, Frame, Normal };
  virtual Layer layer() const { return Layer::Normal; }
  // Whether the control is a button that the Enter key presses when it has the focus.
  virtual bool isButton() const { return false; }
  // A button's press; other controls do nothing.
  virtual void press() {}
  // Takes what the user typed into the use variable, posting Accepted when it changed; other
  // controls do nothing. Entries call it when the user leaves them or presses Enter.
  virtual void commit() {}
  // Whether the control must hold a value and holds only blanks (entries marked required).
  virtual bool lacksRequiredValue() const { return false; }

  // The text the control shows (an entry's contents, a prompt's or button's caption), UTF-8.
  virtual std::string text() const { return {}; }
  virtual void setText(const std::string& utf8) {}

  // Use variable: binding, and the two copies between variable and control.
  void bind(Variable variable) { variable_ = std::move(variable); }
  bool isBound() const { return variable_.has_value(); }
  const std::string& useName() const { return useName_; }
  // Variable to control, through the picture.
  void display();
  // Control to variable, for the kinds the user types into or chooses in; a control that only shows
  // its variable leaves it alone. A control whose contents are still what display() last put there
  // leaves its variable alone too: a value the user did not touch is never replaced by its picture's
  // rounding (a score of 79.6 shown as "80"). What the user typed or chose is taken by the
  // control itself when it posts Accepted, also when it is the same text.
  void update();

  // Kinds without a widget of their own (menu items) answer through their own state.
  virtual bool isHidden() const;
  virtual void setHidden(bool hidden);
  virtual bool isDisabled() const;
  virtual void setDisabled(bool disabled);
  virtual bool isReadOnly() const { return false; }
  // Returns false when the kind has no read-only state.
  virtual bool setReadOnly(bool readOnly) { return false; }
  std::int32_t fontColour() const { return fontColour_; }
  void setFontColour(std::int32_t colour);
  std::int32_t background() const { return background_; }
  void setBackground(std::int32_t colour);
  const std::optional<Picture>& picture() const { return picture_; }

  // A value within a range (progress bars). The value is kept within the range: one outside it
  // becomes the nearer end, and a high end below the low end is taken as the low end. A bar paints
  // itself at once when its fill changes, and not when it does not. Kinds without a range ignore
  // both setters (they report false) and read 0.
  virtual bool setRange(int low, int high) { return false; }
  virtual int rangeLow() const { return 0; }
  virtual int rangeHigh() const { return 0; }
  virtual bool setProgress(int value) { return false; }
  virtual int progress() const { return 0; }

  // The choices a list of texts offers (combos), UTF-8. Kinds without choices ignore them (false).
  virtual bool setChoices(const std::vector<std::string>& utf8) { return false; }
  virtual std::vector<std::string> choices() const { return {}; }

 protected:
  // What the variable shows, as the control presents it.
  virtual void showValue(const Cp1252Text& shown) {}
  // Whether the user can change what the control holds (an entry): only then does update() take
  // it into the variable.
  virtual bool takesInput() const { return false; }
  // What the control holds, for its variable.
  virtual Cp1252Text takenValue() const { return {}; }
  // Applies the colours to the widget: by default the text and background roles of its palette.
  virtual void applyColours();
  // Sets up what every kind shares: font, colours, hidden and disabled flags.
  void setUpWidget(QWidget* widget);
  void postAccepted();
  // Takes what the control holds into the variable: the user gave it.
  void takeInput();
  void postNewSelection();

 private:
  Window& window_;
  const ControlDefinition& definition_;
  std::optional<Picture> picture_;
  std::string useName_;
  std::optional<Variable> variable_;
  std::optional<Cp1252Text> displayed_;  // what display() put into the control last
  std::int32_t fontColour_;
  std::int32_t background_;
};

class ControlKind {
 public:
  virtual ~ControlKind() = default;
  virtual std::string_view name() const = 0;
  // The definition fields this kind reads besides the common ones ("text", "picture", "use" ...).
  virtual std::vector<std::string_view> fields() const { return {}; }
  // The flags this kind takes besides "hidden" and "disabled".
  virtual std::vector<std::string_view> flags() const { return {}; }
  // Further checks of a definition; each problem is appended as a sentence.
  virtual void check(const ControlDefinition& definition, std::vector<std::string>& problems) const {}
  // Makes the control, its widget a child of `parent`.
  virtual std::unique_ptr<Control> create(Window& window, const ControlDefinition& definition,
                                          QWidget* parent) const = 0;
};

// A kind described by its name, fields, flags and an optional further check; it makes controls of
// class C (constructed from the window, the definition and the parent widget).
template <class C>
class KindOf : public ControlKind {
 public:
  using Check = void (*)(const ControlDefinition&, std::vector<std::string>&);
  KindOf(std::string_view name, std::vector<std::string_view> fields, std::vector<std::string_view> flags,
         Check check = nullptr)
      : name_(name), fields_(std::move(fields)), flags_(std::move(flags)), check_(check) {}
  std::string_view name() const override { return name_; }
  std::vector<std::string_view> fields() const override { return fields_; }
  std::vector<std::string_view> flags() const override { return flags_; }
  void check(const ControlDefinition& definition, std::vector<std::string>& problems) const override {
    if (check_ != nullptr) check_(definition, problems);
  }
  std::unique_ptr<Control> create(Window& window, const ControlDefinition& definition, QWidget* parent) const override {
    return std::make_unique<C>(window, definition, parent);
  }

 private:
  std::string_view name_;
  std::vector<std::string_view> fields_;
  std::vector<std::string_view> flags_;
  Check check_;
};

class ControlKinds {
 public:
  ControlKinds() = default;
  ControlKinds(ControlKinds&&) = default;
  // Adds a kind; a kind of the same name is replaced.
  void add(std::unique_ptr<ControlKind> kind);
  const ControlKind* find(std::string_view name) const;
  std::vector<std::string> names() const;

  // The kinds every window may use. Built once and never changed.
  static const ControlKinds& standard();

 private:
  std::map<std::string, std::unique_ptr<ControlKind>, std::less<>> kinds_;
};

}  // namespace platform::ui
