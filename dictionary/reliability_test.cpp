// Saving through the managers while other programs work on the same files, and while the power
// may go at any moment.
#include <chrono>
#include <cstdio>
#include <thread>

#include "dictionary/dictionary_test_support.h"
#include "platform/storage/testing/fault_vfs.h"

namespace dictionary::testing {
namespace {

using platform::kLevelBenign;
using platform::kLevelNotify;
using platform::kLevelUser;

class ReliabilityTest : public DictionaryTest {
 protected:
  static void setId(File file, std::int32_t id) { DataFileOf(file).buffer().setLong(0, id); }
};

// Another program changes grade record 1 between our read and our save: the save is refused and
// the stored record is shown.
TEST_F(ReliabilityTest, SecondOfTwoProgramsSavingTheSameGradeRecordIsTold) {
  Signal first, second;
  auto changeExam = [](double exam) {
    return [exam]() -> int {
      RelationManagerOf(File::ACTAS)->setOpenRelated();
      if (RelationManagerOf(File::ACTAS)->open()) return 1;
      setId(File::ACTAS, 1);
      if (FileManagerOf(File::ACTAS)->tryFetch(0)) return 2;
      RelationManagerOf(File::ACTAS)->rememberLinkingValues();
      DataFileOf(File::ACTAS).buffer().setReal(12, exam);
      return RelationManagerOf(File::ACTAS)->update(true);
    };
  };
  const pid_t one = startOtherProgram(first, changeExam(50));
  const pid_t two = startOtherProgram(second, changeExam(40));
  startProgram();
  platform::RelationManager& grades = relationManager(File::ACTAS);
  grades.setOpenRelated();
  ASSERT_EQ(kLevelBenign, grades.open());
  const int exam = field(File::ACTAS, "EXAMEN");
  ASSERT_EQ(12, exam);

  struct Round {
    Signal& other;
    pid_t pid;
    bool fromForm;
    const char* text;
    double stored;
  };
  const Round rounds[] = {
      {first, one, true,
       "Este registro fué cambiado por otra estacion de trabajo. Esos cambios serán ahora mostrados. Use el ditto "
       "boton o Ctrl+' para volver a llamar sus cambios.",
       50},
      {second, two, false, "Este registro fué modificado por otra estación de trabajo.", 40},
  };
  for (const Round& round : rounds) {
    SCOPED_TRACE(round.fromForm ? "from a form" : "not from a form");
    port.clear();
    readById(File::ACTAS, 1);
    round.other.raise();
    ASSERT_EQ(0, exitCode(round.pid));
    record(File::ACTAS).setReal(exam, 99);
    EXPECT_EQ(kLevelNotify, grades.update(round.fromForm));
    ASSERT_EQ(1u, port.shown().size());
    EXPECT_EQ("Registro no fué Actualizado", port.last().caption);
    EXPECT_EQ(round.text, port.last().text);
    EXPECT_EQ(round.stored, record(File::ACTAS).getReal(exam));  // the stored record, read again
  }
  // Saved again over what is now stored, the change goes through.
  record(File::ACTAS).setReal(exam, 99);
  EXPECT_EQ(kLevelBenign, grades.update(true));
  grades.close();
  EXPECT_NE(std::string::npos, dump(File::ACTAS).find("\n1,5110,2024-2,1A,1,1,1,1,1,24,80,14,99,"));
}

// Another program keeps the grade records locked for a write of its own: changing a city's id,
// which must rewrite grade records, gives up after 2 seconds and writes nothing.
TEST_F(ReliabilityTest, LockHeldPastTwoSecondsCancelsTheSaveWithNothingWritten) {
  Signal go, holding;
  const pid_t blocker = fork();
  if (blocker == 0) {
    go.wait();
    platform::storage::Engine engine(spanish);
    platform::storage::Session session(engine, folder.string());
    platform::storage::FileDecl placed = decls.ACTAS;
    placed.physicalName = (folder / "Actas.Tps").string();
    platform::storage::DataFile grades(placed, session);
    if (grades.open() || session.begin({&grades}, 2)) _exit(1);
    grades.buffer().setLong(0, 3);
    if (grades.get(0)) _exit(2);
    grades.buffer().setReal(12, 1);
    if (grades.put()) _exit(3);
    holding.raise();
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    _exit(session.rollback() == 0 ? 0 : 4);
  }
  const std::string before = snapshot();
  startProgram();
  ASSERT_EQ(kLevelBenign, relationManager(File::CIUDAD).open());
  readById(File::CIUDAD, 1);
  record(File::CIUDAD).setLong(field(File::CIUDAD, "ID_CIU"), 50);
  go.raise();
  ASSERT_TRUE(holding.wait());
  EXPECT_EQ(kLevelNotify, relationManager(File::CIUDAD).update(true));
  ASSERT_EQ(1u, port.shown().size());
  EXPECT_EQ("Transacción Cancelada", port.last().caption);
  // The error's own text, with nothing of the storage engine's words.
  EXPECT_EQ("Error: (No se pudo iniciar la transacción...) tratando de enmarcar la transacción en ACTAS.",
            port.last().text);
  relationManager(File::CIUDAD).close();
  EXPECT_EQ(0, exitCode(blocker));
  EXPECT_EQ(before, snapshot());
}

// Another program reads the grade records inside a read transaction of its own, so that a save
// cannot be committed: the save is refused as a write error of the file (message 28 with the locked
// file's text, level 1, which a form offers to try again), what was typed stays in the buffer, and
// once the reader is done the same save goes through; no false "changed by another workstation".
TEST_F(ReliabilityTest, SaveRefusedWhileAnotherProgramReadsGoesThroughOnceItIsDone) {
  ReadLockHolder reader(declaration(File::ACTAS), folder, spanish);
  startProgram();
  platform::RelationManager& grades = relationManager(File::ACTAS);
  grades.setOpenRelated();
  ASSERT_EQ(kLevelBenign, grades.open());
  readById(File::ACTAS, 1);
  const int exam = field(File::ACTAS, "EXAMEN");
  reader.hold();
  record(File::ACTAS).setReal(exam, 99);
  EXPECT_EQ(kLevelUser, grades.update(true));
  ASSERT_EQ(1u, port.shown().size());
  EXPECT_EQ("Registro no Fué Actualizado", port.last().caption);
  EXPECT_EQ(
      "Un error (El archivo está bloqueado...) fué experimentado cuando se realizaron los cambios al archivo ACTAS",
      port.last().text);
  EXPECT_EQ(99, record(File::ACTAS).getReal(exam)) << "what was typed stays";
  EXPECT_EQ(0, reader.release());
  port.clear();
  EXPECT_EQ(kLevelBenign, grades.update(true)) << (port.shown().empty() ? "" : port.last().text);
  EXPECT_TRUE(port.shown().empty());
  grades.close();
  EXPECT_NE(std::string::npos, dump(File::ACTAS).find("\n1,5110,2024-2,1A,1,1,1,1,1,24,80,14,99,"));
}

// The same for a delete: refused while another program reads the file (message 28, then 36 asks
// whether to try again), it goes through once that program is done, the record still being the
// one to delete.
TEST_F(ReliabilityTest, DeleteRefusedWhileAnotherProgramReadsGoesThroughOnceItIsDone) {
  ReadLockHolder reader(declaration(File::CIUDAD), folder, spanish);
  startProgram();
  platform::RelationManager& cities = relationManager(File::CIUDAD);
  ASSERT_EQ(kLevelBenign, cities.open());
  readById(File::CIUDAD, 4);  // nobody lives there
  reader.hold();
  using platform::MessageButton;
  port.answer({MessageButton::Ok, MessageButton::Yes, MessageButton::Ok, MessageButton::No});  // once more, then no
  EXPECT_EQ(kLevelNotify, cities.deleteRecord(false));
  const std::vector<std::string> refused{"Registro no Fué Actualizado", "Error al Borrar el Registro"};
  EXPECT_EQ((std::vector<std::string>{refused[0], refused[1], refused[0], refused[1]}), captions());
  EXPECT_EQ(
      "Un error (El archivo está bloqueado...) fué experimentado cuando se realizaron los cambios al archivo "
      "CIUDAD",
      port.shown().front().text);
  EXPECT_EQ(0, reader.release());
  port.clear();
  port.answer({MessageButton::Ok, MessageButton::No});  // should it fail again
  EXPECT_EQ(kLevelBenign, cities.deleteRecord(false)) << (port.shown().empty() ? "" : port.last().text);
  EXPECT_TRUE(port.shown().empty());
  cities.close();
  EXPECT_EQ(std::string::npos, dump(File::CIUDAD).find("Puebla"));
}

// The disk fills up at each file operation of a save in turn (while its record is written, or
// while it is committed): the save is refused as a write error (message 28, level 1), and the same
// save goes through once there is room again.
TEST_F(ReliabilityTest, SaveFailingOnAFullDiskGoesThroughOnceThereIsRoom) {
  ProgramEnvironment env = environment();
  env.storageVfs = platform::storage::testing::registerFaultVfs();
  startProgram(env);
  platform::RelationManager& grades = relationManager(File::ACTAS);
  grades.setOpenRelated();
  ASSERT_EQ(kLevelBenign, grades.open());
  readById(File::ACTAS, 1);
  const int exam = field(File::ACTAS, "EXAMEN");
  int refused = 0;
  for (int failAt = 1; failAt < 100; ++failAt) {
    SCOPED_TRACE("disk full from operation " + std::to_string(failAt));
    port.clear();
    record(File::ACTAS).setReal(exam, failAt);
    platform::storage::testing::failFromOperation(failAt);
    const platform::Level level = grades.update(true);
    platform::storage::testing::failFromOperation(0);
    if (level == kLevelBenign) break;  // every operation of the save was tried
    ++refused;
    EXPECT_EQ(kLevelUser, level);
    EXPECT_EQ(std::vector<std::string>{"Registro no Fué Actualizado"}, captions());
    EXPECT_EQ(failAt, record(File::ACTAS).getReal(exam));
    port.clear();
    ASSERT_EQ(kLevelBenign, grades.update(true)) << (port.shown().empty() ? "" : port.last().text);
    readById(File::ACTAS, 1);
    EXPECT_EQ(failAt, record(File::ACTAS).getReal(exam));
  }
  EXPECT_GT(refused, 3);
  grades.close();
}

// The program is killed at every write of a cascading save in turn: each time every file is as it
// was before the save, or (once the commit got through) wholly as after it.
TEST_F(ReliabilityTest, CascadeKilledAnywhereLeavesEveryFileAsBefore) {
  const char* vfs = platform::storage::testing::registerFaultVfs();
  const fs::path backup = folder.parent_path() / (folder.filename().string() + "-backup");
  fs::remove_all(backup);
  fs::create_directories(backup);
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".Tps") fs::copy_file(entry.path(), backup / entry.path().filename());
  }
  auto restore = [&] {
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
    for (const auto& entry : fs::directory_iterator(backup))
      fs::copy_file(entry.path(), folder / entry.path().filename());
  };
  auto changeCity = [&](int crashAt) {
    return inChild([&] {
      ProgramEnvironment env = environment();
      env.storageVfs = vfs;
      return asAnotherProgram(env, [&] {
        platform::RelationManager& cities = *RelationManagerOf(File::CIUDAD);
        if (cities.open()) return 1;
        setId(File::CIUDAD, 1);
        if (FileManagerOf(File::CIUDAD)->tryFetch(0)) return 2;
        cities.rememberLinkingValues();
        setId(File::CIUDAD, 50);
        platform::storage::testing::crashAtOperation(crashAt);
        const platform::Level level = cities.update(true);
        platform::storage::testing::crashAtOperation(0);
        cities.close();
        return level == kLevelBenign ? 0 : 3;
      });
    });
  };

  const std::string before = snapshot();
  ASSERT_EQ(0, changeCity(0));
  const std::string after = snapshot();
  ASSERT_NE(before, after);
  int killed = 0;
  for (int crashAt = 1; crashAt < 500; ++crashAt) {
    restore();
    const int status = changeCity(crashAt);
    ASSERT_TRUE(status == 0 || status == 77) << "ended with " << status << " at write " << crashAt;
    const std::string now = snapshot();
    if (status == 0) {
      EXPECT_EQ(after, now);
      break;  // the save got through all its writes: every point before it was tried
    }
    ++killed;
    ASSERT_TRUE(now == before || now == after) << "torn by a kill at write " << crashAt;
  }
  EXPECT_GT(killed, 10);
  std::printf("cascading save killed at %d points\n", killed);
  fs::remove_all(backup);
}

}  // namespace
}  // namespace dictionary::testing
