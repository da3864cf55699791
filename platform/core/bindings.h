// The names that expressions (filters) can use: variables and record fields bound by name.
//
// A procedure binds its variables ("Gl_IdMaestro", "Ls_Grupo", ...) and its records (by the
// file's prefix, so that "ACT:ID_MAE" names the field ID_MAE of the record bound as "ACT") and
// undoes its bindings when it ends (BindingScope). Names are matched without regard to ASCII
// case. A later binding of a name hides an earlier one until it is undone, so a procedure called
// from another may bind the same names to its own variables.
//
// A table may have an outer table: names not bound here are looked up there. A view keeps its
// own files' records in a table whose outer table is the procedure's.
//
// The table holds addresses: every bound variable and record must outlive its binding (undo the
// binding first). Expressions notice any change through version() and look their names up
// again. Not thread safe: a table belongs to one thread (forThread() gives the thread's own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/fixed_text.h"
#include "platform/core/record.h"

namespace platform {

// What a name stands for, as found by Bindings::find().
struct BoundName {
  enum class Kind : std::uint8_t { Long, Real, Byte, Text, Field };
  Kind kind = Kind::Long;
  const void* variable = nullptr;        // int32_t, double, uint8_t or Cp1252Text
  const RecordBuffer* record = nullptr;  // Kind::Field
  int field = -1;                        // Kind::Field
};

class Bindings {
 public:
  explicit Bindings(const Bindings* outer = nullptr) : outer_(outer) {}
  Bindings(const Bindings&) = delete;
  Bindings& operator=(const Bindings&) = delete;

  // The calling thread's own table, empty when the thread starts.
  static Bindings& forThread();

  // LONG, REAL and BYTE variables.
  void bind(std::string_view name, const std::int32_t& variable);
  void bind(std::string_view name, const double& variable);
  void bind(std::string_view name, const std::uint8_t& variable);
  // A text variable: every character of the text is its value (trailing blanks never matter in
  // comparisons).
  void bind(std::string_view name, const Cp1252Text& text);
  template <std::size_t N>
  void bind(std::string_view name, const FixedText<N>& text) {
    bind(name, text.value());
  }
  // Temporaries cannot be bound: the binding would outlive them.
  void bind(std::string_view, const std::int32_t&&) = delete;
  void bind(std::string_view, const double&&) = delete;
  void bind(std::string_view, const std::uint8_t&&) = delete;
  void bind(std::string_view, const Cp1252Text&&) = delete;
  template <std::size_t N>
  void bind(std::string_view, const FixedText<N>&&) = delete;
  // One field of a record under a name of its own.
  void bind(std::string_view name, const RecordBuffer& record, int field);
  // Every field of a record as "PREFIX:FIELD".
  void bindRecord(std::string_view prefix, const RecordBuffer& record);

  // The number of bindings made so far; unbindTo(n) undoes every binding made after that.
  std::size_t depth() const { return entries_.size(); }
  void unbindTo(std::size_t depth);

  // The latest binding of `name` here, else in the outer table; nothing when the name is unbound.
  std::optional<BoundName> find(std::string_view name) const;

  // Changes whenever a binding is made or undone here or in an outer table.
  std::uint64_t version() const { return changes_ + (outer_ != nullptr ? outer_->version() : 0); }

 private:
  struct Entry {
    std::string name;  // a variable's name, or a record's prefix
    bool isRecord = false;
    BoundName target;
  };
  void add(std::string_view name, bool isRecord, BoundName target);

  const Bindings* outer_;
  std::vector<Entry> entries_;
  std::uint64_t changes_ = 0;
};

// Undoes, when it ends, the bindings made in a table during its life.
class BindingScope {
 public:
  explicit BindingScope(Bindings& bindings) : bindings_(bindings), depth_(bindings.depth()) {}
  ~BindingScope() { bindings_.unbindTo(depth_); }
  BindingScope(const BindingScope&) = delete;
  BindingScope& operator=(const BindingScope&) = delete;

 private:
  Bindings& bindings_;
  std::size_t depth_;
};

}  // namespace platform
