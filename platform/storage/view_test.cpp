// Views over a declaration of three small files, each a parent of the one before: orders_, their
// customers and the customers' cities. Joins through a file joined before, a filter on the last
// parent, orders by numbers and by a parent's text, the key range a filter fixes, and positions
// among rows that tie. The grade book's own views are tested on its files in tests/view_test.cpp.
//
//   orders (id: customer, amount)       customers (id: name, city)     cities (id: name)
//   100: 10, 10      103: 12, 0         10: Ann, 1                     0: Nowhere
//   101: 11, -2.5    104: 10, -10       11: Bo, 2                      1: Oslo
//   102: 99, 9       105: 11, 9         12: Cy, 1                      2: Lima
// Order 102's customer does not exist.
#include "platform/storage/view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/core/bindings.h"
#include "platform/core/locale.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/file_decl.h"
#include "platform/storage/session.h"

namespace platform::storage {
namespace {

namespace fs = std::filesystem;
using Ids = std::vector<int>;

enum OrderField { kOrderId, kCustomer, kAmount };
enum CustomerField { kCustomerId, kCustomerName, kCity };
enum CityField { kCityId, kCityName };
constexpr int kByCustomer = 1;  // the orders' key (CUSTOMER, AMOUNT)

FileDecl declaration(const fs::path& folder, const std::string& label, const std::string& prefix,
                     std::vector<FieldSpec> fields, std::vector<KeyDecl> keys) {
  FileDecl decl;
  decl.label = label;
  decl.prefix = prefix;
  decl.physicalName = (folder / (label + ".dat")).string();
  decl.ownerPassword = "the views' test password";
  decl.layout = RecordLayout(std::move(fields));
  decl.keys = std::move(keys);
  return decl;
}

std::string trimmed(Cp1252View text) { return std::string(trimRight(text.bytes())); }

class StorageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    session_ = std::make_unique<Session>(engine_, folder_.string());
    cities_ = std::make_unique<DataFile>(citiesDecl_, *session_);
    customers_ = std::make_unique<DataFile>(customersDecl_, *session_);
    orders_ = std::make_unique<DataFile>(ordersDecl_, *session_);
    ASSERT_EQ(0, cities_->create());
    ASSERT_EQ(0, customers_->create());
    ASSERT_EQ(0, orders_->create());
    for (DataFile* file : {cities_.get(), customers_.get(), orders_.get()}) ASSERT_EQ(0, file->open());
    for (const auto& [id, name] : std::vector<std::tuple<int, std::string>>{{0, "Nowhere"}, {1, "Oslo"}, {2, "Lima"}}) {
      cities_->buffer().clear();
      cities_->buffer().setLong(kCityId, id);
      cities_->buffer().setText(kCityName, platform::Cp1252View::ofBytes(name));
      ASSERT_EQ(0, cities_->add());
    }
    for (const auto& [id, name, city] :
         std::vector<std::tuple<int, std::string, int>>{{10, "Ann", 1}, {11, "Bo", 2}, {12, "Cy", 1}}) {
      customers_->buffer().clear();
      customers_->buffer().setLong(kCustomerId, id);
      customers_->buffer().setText(kCustomerName, platform::Cp1252View::ofBytes(name));
      customers_->buffer().setLong(kCity, city);
      ASSERT_EQ(0, customers_->add());
    }
    for (const auto& [id, customer, amount] : std::vector<std::tuple<int, int, double>>{
             {100, 10, 10}, {101, 11, -2.5}, {102, 99, 9}, {103, 12, 0}, {104, 10, -10}, {105, 11, 9}}) {
      orders_->buffer().clear();
      orders_->buffer().setLong(kOrderId, id);
      orders_->buffer().setLong(kCustomer, customer);
      orders_->buffer().setReal(kAmount, amount);
      ASSERT_EQ(0, orders_->add());
    }
    names_.bind("Wanted", wanted_);
  }

  void TearDown() override {
    orders_.reset();
    customers_.reset();
    cities_.reset();
    session_.reset();
    fs::remove_all(folder_);
  }

  // The orders with their customer and, through the customer, their city.
  std::unique_ptr<View> ordersView(View::JoinKind customerJoin = View::JoinKind::Outer) {
    auto view = std::make_unique<View>(*orders_, &names_);
    EXPECT_EQ(0, view->join(*customers_, "CUS:PK_CUSTOMER", "ORD:CUSTOMER", customerJoin));
    EXPECT_EQ(0, view->join(*cities_, "CIT:PK_CITY", "CUS:CITY"));
    EXPECT_EQ(0, view->open());
    return view;
  }

  Ids readAll(View& view, View::Direction direction = View::Direction::Forward) {
    Ids ids;
    view.restart();
    while ((direction == View::Direction::Forward ? view.next() : view.previous()) == 0)
      ids.push_back(orders_->buffer().getLong(kOrderId));
    return ids;
  }

  Locale locale_;
  Engine engine_{locale_};
  fs::path folder_ = fs::temp_directory_path() / ("storage-views-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::unique_ptr<Session> session_;
  FileDecl citiesDecl_ =
      declaration(folder_, "CITIES", "CIT", {{"ID", FieldType::Long}, {"NAME", FieldType::String, 12}},
                  {{"PK_CITY", {kCityId}, true}});
  FileDecl customersDecl_ =
      declaration(folder_, "CUSTOMERS", "CUS",
                  {{"ID", FieldType::Long}, {"NAME", FieldType::String, 12}, {"CITY", FieldType::Long}},
                  {{"PK_CUSTOMER", {kCustomerId}, true}});
  FileDecl ordersDecl_ = declaration(
      folder_, "ORDERS", "ORD", {{"ID", FieldType::Long}, {"CUSTOMER", FieldType::Long}, {"AMOUNT", FieldType::Real}},
      {{"PK_ORDER", {kOrderId}, true}, {"K_CUSTOMER", {kCustomer, kAmount}, false, true}});
  std::unique_ptr<DataFile> cities_, customers_, orders_;
  Bindings names_;
  std::int32_t wanted_ = 11;
};

// Each row fills the buffers of both parents, the city found through the customer. A customer that
// is missing clears its buffer and the city's too, though the cleared customer's city (0) is the
// key of a city that exists; an inner join on the customer leaves the row out.
TEST_F(StorageViewTest, ChainedJoinsFillEveryParentAndAMissingLinkClearsTheParentsAfterIt) {
  auto view = ordersView();
  ASSERT_EQ(0, view->setOrder(0));
  std::vector<std::tuple<int, std::string, std::string>> rows;
  view->restart();
  while (view->next() == 0)
    rows.emplace_back(orders_->buffer().getLong(kOrderId), trimmed(customers_->buffer().getText(kCustomerName)),
                      trimmed(cities_->buffer().getText(kCityName)));
  const std::vector<std::tuple<int, std::string, std::string>> expected = {{100, "Ann", "Oslo"}, {101, "Bo", "Lima"},
                                                                           {102, "", ""},        {103, "Cy", "Oslo"},
                                                                           {104, "Ann", "Oslo"}, {105, "Bo", "Lima"}};
  EXPECT_EQ(expected, rows);

  auto inner = ordersView(View::JoinKind::Inner);
  ASSERT_EQ(0, inner->setOrder(0));
  EXPECT_EQ(readAll(*inner), (Ids{100, 101, 103, 104, 105}));
  // The filter may name the last parent of the chain.
  ASSERT_EQ(0, inner->setFilter("CIT:NAME='Oslo'"));
  EXPECT_EQ(readAll(*inner), (Ids{100, 103, 104}));
}

// Numbers sort by value, negatives and fractions too, either way, also a parent's and a parent's
// that is missing (its fields cleared); rows that tie keep their record order, also in a
// descending order.
TEST_F(StorageViewTest, OrdersCompareNumbersByValueAndKeepTiesInRecordOrder) {
  struct Case {
    const char* order;
    Ids rows;
  };
  const Case cases[] = {
      {"ORD:AMOUNT", {104, 101, 103, 102, 105, 100}},
      {"-ORD:AMOUNT", {100, 102, 105, 103, 101, 104}},
      {"CUS:NAME,-ORD:AMOUNT", {102, 100, 104, 105, 101, 103}},
      {"-CUS:CITY,ORD:ID", {101, 105, 100, 103, 104, 102}},
  };
  auto view = ordersView();
  for (const Case& c : cases) {
    ASSERT_EQ(0, view->setOrder(c.order)) << c.order;
    EXPECT_EQ(readAll(*view), c.rows) << c.order;
    const Ids reversed(c.rows.rbegin(), c.rows.rend());
    EXPECT_EQ(readAll(*view, View::Direction::Backward), reversed) << c.order;
  }
}

// An equality on the leading component of a key, with a bound variable, reads only that key's
// range, in the key's order, with the variable's value at each restart.
TEST_F(StorageViewTest, AnEqualityOnAKeysLeadingComponentReadsOnlyItsRange) {
  auto view = ordersView();
  ASSERT_EQ(0, view->setFilter("ORD:CUSTOMER=Wanted"));
  EXPECT_EQ(readAll(*view), (Ids{101, 105}));
  EXPECT_EQ(kByCustomer, view->rangeKey());
  EXPECT_EQ(2, view->recordsRead());
  wanted_ = 10;
  EXPECT_EQ(readAll(*view), (Ids{104, 100}));
  EXPECT_EQ(4, view->recordsRead());
  // Under OR no range can be read: the whole file is, and the rows are still those asked for.
  ASSERT_EQ(0, view->setFilter("ORD:CUSTOMER=Wanted OR ORD:AMOUNT=9"));
  EXPECT_EQ(readAll(*view), (Ids{100, 102, 104, 105}));
  EXPECT_EQ(-1, view->rangeKey());
}

// A position names one row, not its place among rows that tie: reset() comes back to that very
// row, and to its neighbours once it is deleted.
TEST_F(StorageViewTest, APositionAmongTiesIsThatRow) {
  auto view = ordersView();
  ASSERT_EQ(0, view->setOrder("-ORD:AMOUNT"));  // 100, 102, 105, 103, 101, 104: 102 and 105 tie
  view->restart();
  std::string at105;
  while (view->next() == 0)
    if (orders_->buffer().getLong(kOrderId) == 105) at105 = view->position();
  ASSERT_FALSE(at105.empty());
  ASSERT_EQ(0, view->reset(at105));
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(105, orders_->buffer().getLong(kOrderId));
  ASSERT_EQ(0, view->reset(at105));
  ASSERT_EQ(0, view->previous());
  EXPECT_EQ(105, orders_->buffer().getLong(kOrderId));

  ASSERT_EQ(0, orders_->erase());
  ASSERT_EQ(0, view->reset(at105));
  ASSERT_EQ(0, view->next());
  EXPECT_EQ(103, orders_->buffer().getLong(kOrderId));
  ASSERT_EQ(0, view->reset(at105));
  ASSERT_EQ(0, view->previous());
  EXPECT_EQ(102, orders_->buffer().getLong(kOrderId));
}

// A join the program spells wrongly fails at once, naming both files and what is wrong, and
// leaves the view without that parent: the right join is made after it, as join() makes it.
TEST_F(StorageViewTest, AJoinTheProgramSpellsWronglyFailsAtOnceWithTheFilesNames) {
  struct Case {
    const char* key;
    const char* fields;
    const char* named;
  };
  for (const Case& c : {Case{"CUS:PK_CUSTOMR", "ORD:CUSTOMER", "no key CUS:PK_CUSTOMR in CUSTOMERS"},
                        Case{"CUS:PK_CUSTOMER", "ORD:CUSTOMR", "no field ORD:CUSTOMR in the view"},
                        Case{"CUS:PK_CUSTOMER", "ORD:AMOUNT", "ORD:AMOUNT is not of the type"}}) {
    SCOPED_TRACE(std::string(c.key) + " on " + c.fields);
    View view(*orders_, &names_);
    try {
      view.joinNamed(*customers_, c.key, c.fields);
      ADD_FAILURE() << "joined";
    } catch (const std::logic_error& e) {
      EXPECT_THAT(e.what(), ::testing::StartsWith("ORDERS cannot join CUSTOMERS: "));
      EXPECT_THAT(e.what(), ::testing::HasSubstr(c.named));
    }
    view.joinNamed(*customers_, "CUS:PK_CUSTOMER", "ORD:CUSTOMER");
    ASSERT_EQ(0, view.open());
    ASSERT_EQ(0, view.next());
    EXPECT_EQ("Ann", trimmed(customers_->buffer().getText(kCustomerName)));
  }
}

}  // namespace
}  // namespace platform::storage
