// Tests: the simulation result writer and its subsets (states and messages,
// analog fronts every cycle and digital values only on change read back
// after reopening, missing and doubled values, shutdown at close and
// deletion in the middle of writing), fronts entered from arrays (the same
// rules, the same values read back), its data writers (stale and invented
// pointers), and writing seen from other processes (commits every few
// cycles read by a reader, and a writer killed in the middle of a cycle).
#include <cstring>

#include "waveforms/front_data_sets.h"
#include "waveforms/sim_result_writer.h"
#include "writer_test_support.h"

namespace zeltest {
namespace {

class SimWriterTest : public WriterFixture {
 protected:
  // A writer with an analog subset of two real waveforms and a digital
  // subset of one waveform of a one-byte enumeration (keys 0, 1, 2).
  struct Sim {
    zel_simResultWriter_t w;
    zel_simResultSubset_t analog, digital;
    zel_waveform_t wa, wb, wd;
    ZEL_SimWfDataWriter *a, *b, *d;
  };
  Sim MakeSim() {
    Sim sim{};
    sim.w = Check(ZEL_CreateSimResultWriter(session_, segment_, 0, &status_));
    sim.analog = Check(ZEL_CreateSimResultSubset(session_, sim.w, ZEL_STORAGE_ANALOG, &status_));
    sim.digital = Check(ZEL_CreateSimResultSubset(session_, sim.w, ZEL_STORAGE_DIGITAL, &status_));
    sim.wa = Wave();
    sim.wb = Wave();
    const char* literals[2] = {"0", "1"};
    zel_type_t logic = Check(ZEL_CreateEnumerationType(session_, c_, "logic", 2, literals, 0, 1,
                                                       ZEL_RANGE_ASCENDING, &status_));
    sim.wd = Wave(Check(ZEL_CreateDimensionDescriptor(session_, c_, "level", "", logic, &status_)));
    sim.a = AddTo(sim.analog, sim.wa);
    sim.b = AddTo(sim.analog, sim.wb);
    sim.d = AddTo(sim.digital, sim.wd);
    return sim;
  }
  ZEL_SimWfDataWriter* AddTo(zel_simResultSubset_t subset, zel_waveform_t waveform) {
    const unsigned index = Check(ZEL_AddSimResultWaveform(session_, subset, waveform, &status_));
    return Check(ZEL_GetSimWfDataWriter_p(session_, subset, index, &status_));
  }
  void Enter(ZEL_SimWfDataWriter* d, double v) {
    ZEL_SimWfDataWriterEnterValue(d, &v, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  void EnterCode(ZEL_SimWfDataWriter* d, unsigned char code) {
    ZEL_SimWfDataWriterEnterValue(d, &code, &status_);
    ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  void Ok(const char* what) { ASSERT_EQ(status_, ZEL_OK) << what << ": " << ZEL_GetError(); }
  // Cycle at x: the analog front gets a and b; the digital front gets code
  // when it is not negative.
  void Cycle(const Sim& sim, double x, double a, double b, int code) {
    ZEL_SimStartCycle(session_, sim.w, &x, &status_);
    Ok("start cycle");
    ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
    Enter(sim.a, a);
    Enter(sim.b, b);
    ZEL_SimEndDataFront(session_, sim.analog, &status_);
    Ok("end analog front");
    ZEL_SimStartDataFront(session_, sim.digital, 0, &status_);
    if (code >= 0) EnterCode(sim.d, static_cast<unsigned char>(code));
    ZEL_SimEndDataFront(session_, sim.digital, &status_);
    ZEL_SimEndCycle(session_, sim.w, &status_);
    Ok("end cycle");
  }
  std::vector<StoredWave> ReadAll(std::vector<int> keys = {0, 1, 2}) {
    std::vector<StoredWave> out;
    EXPECT_TRUE(ReadInContainer(name_, keys, out));
    return out;
  }
};

TEST_F(SimWriterTest, CallsOutOfOrderAreRefusedAndChangeNothing) {
  ZEL_CreateSimResultWriter(session_, segment_, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_CreateSimResultWriter: DataStore index is invalid.");
  zel_simResultWriter_t w = Check(ZEL_CreateSimResultWriter(session_, segment_, 0, &status_));
  zel_simResultSubset_t analog = Check(ZEL_CreateSimResultSubset(session_, w, ZEL_STORAGE_ANALOG, &status_));
  ZEL_GetSimResultSubset(session_, w, 1, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_GetSimResultSubset: Subset index out of range.");
  ZEL_GetSimWfDataWriter_p(session_, analog, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_GetSimWfDataWriter_p: ZELI_SimResultSubset::Get_SimWfDataWriter_p index");
  ZEL_GetSimResultWaveform(session_, analog, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_GetSimResultWaveform: ZELI_DataSet:AssertIsValidIndex");
  // Subset and writer handles are of their own kinds.
  ZEL_SimInitializeWriting(session_, zel_simResultWriter_t{analog.key}, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  const double x = 1;
  ZEL_SimStartCycle(session_, w, &x, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimStartCycle: Writing is not in progress.");
  ZEL_SimTerminateWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimTerminateWriting: Writing is not in progress.");

  // Every subset is checked first: a retry after the fault is mended works.
  zel_simResultSubset_t digital = Check(ZEL_CreateSimResultSubset(session_, w, static_cast<zel_storageMode_t>(7), &status_));
  ZEL_SimWfDataWriter* d = AddTo(digital, Wave());
  ZEL_SimInitializeWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SimInitializeWriting: ZELI_AnalogFrontDataSet has no waveforms.");
  EXPECT_FALSE(Seg().IsDataStoreOpen(0));
  ZEL_SimWfDataWriter* a = AddTo(analog, Wave());
  ZEL_SetSimInterpolationType(session_, analog, ZEL_INTERPOLATION_POLYNOMIAL, &status_);
  Ok("polynomial on analog");
  ZEL_SetSimInterpolationType(session_, digital, ZEL_INTERPOLATION_LINEAR, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SetSimInterpolationType: Interpolation type must be CONSTANT");
  ZEL_SetSimInterpolationType(session_, digital, ZEL_INTERPOLATION_CONSTANT, &status_);
  Ok("constant on digital");
  ZEL_SimInitializeWriting(session_, w, &status_);
  Ok("initialize after the fix");
  EXPECT_TRUE(Seg().IsDataStoreOpen(0));
  ZEL_SimInitializeWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimInitializeWriting: Writing has already been initialized.");
  ZEL_SetSimInterpolationType(session_, analog, ZEL_INTERPOLATION_MIXED, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetSimInterpolationType: Cannot set ZEL_INTERPOLATION_MIXED");
  ZEL_SetSimInterpolationType(session_, analog, ZEL_INTERPOLATION_DEFAULT, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SetSimInterpolationType: Cannot set ZEL_INTERPOLATION_DEFAULT");
  ZEL_SetSimInterpolationType(session_, analog, ZEL_INTERPOLATION_CONSTANT, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_SetSimInterpolationType: Interpolation type cannot be changed any more");
  ZEL_AddSimResultWaveform(session_, analog, Wave(), &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_AddSimResultWaveform: Waveforms cannot be added to the dataset any more");
  ZEL_CreateSimResultSubset(session_, w, ZEL_STORAGE_ANALOG, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED,
                     "ZEL_CreateSimResultSubset: Subsets cannot be added once writing has been initialized.");

  // Fronts and values outside a cycle or a front.
  const double v = 5;
  ZEL_SimStartDataFront(session_, analog, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimStartDataFront: The writing cycle is not active.");
  ZEL_SimWfDataWriterEnterValue(a, &v, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimWfDataWriterEnterValue: The data front is not active.");
  ZEL_SimEndCycle(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEndCycle: The writing cycle is not active.");
  ZEL_SimStartCycle(session_, w, &x, &status_);
  ZEL_SimStartCycle(session_, w, &x, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimStartCycle: The writing cycle is already active.");
  ZEL_SimWfDataWriterEnterValue(d, &v, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimWfDataWriterEnterValue: The data front is not active.");
  ZEL_SimEndDataFront(session_, analog, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEndDataFront: The data front is not active.");
  ZEL_SimTerminateWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimTerminateWriting: A writing cycle is active.");
  // A polynomial front checks its order before it starts.
  ZEL_SimStartDataFront(session_, analog, 3, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SimStartDataFront: Order must be 0, 1, or 2");
  EXPECT_FALSE(ObjectOf(session_, analog)->IsFrontActive());
  ZEL_SimStartDataFront(session_, analog, 2, &status_);
  ZEL_SimStartDataFront(session_, analog, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimStartDataFront: A data front has already been started.");
  Enter(a, 7);
  ZEL_SimWfDataWriterEnterValue(a, &v, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimWfDataWriterEnterValue: The waveform already has a value.");
  ZEL_SimWfDataWriterEnterValue(a, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SimWfDataWriterEnterValue: value is null");
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_CommitWaveformData: Some writer(s) cannot be flushed (are active)");
  ZEL_SimEndCycle(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEndCycle: There are active subsets.");
  ZEL_SimEndDataFront(session_, analog, &status_);
  Ok("end front");
  ZEL_SimEndCycle(session_, w, &status_);
  Ok("end cycle");
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  Ok("commit between cycles");
  // Nothing of the refused calls reached the data: one X value, one point,
  // no digital value.
  auto* writer = ObjectOf(session_, w);
  EXPECT_EQ(writer->Get_SharedXSet_p()->Get_XCount(), 1u);
  EXPECT_EQ(writer->Get_Subset_p(0)->Get_DataSet_p()->Get_PointCount(0), 1u);
  EXPECT_EQ(ObjectOf(session_, analog)->Get_AnalogDataSet_p()->Get_XIndices_p()->Get_Count(), 1u);
  EXPECT_EQ(writer->Get_Subset_p(1)->Get_DataSet_p()->Get_PointCount(0), 0u);
  ZEL_SimTerminateWriting(session_, w, &status_);
  Ok("terminate");
  ZEL_SimInitializeWriting(session_, w, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DUPLICATE, "ZEL_SimInitializeWriting: Duplicate initialization of DataSet.");
  Close(c_);
}

// A front missing a value fails its end but is over all the same: the
// waveform holds its last value (zero, or an empty text, before the first).
// A digital front needs no value at all.
TEST_F(SimWriterTest, AnalogFrontsNeedEveryValueDigitalFrontsNone) {
  Sim sim = MakeSim();
  zel_type_t text = Check(ZEL_CreateBuiltinType(session_, c_, "text", ZEL_STRING, &status_));
  zel_dimensionDescriptor_t label = Check(ZEL_CreateDimensionDescriptor(session_, c_, "label", "", text, &status_));
  zel_simResultSubset_t texts = Check(ZEL_CreateSimResultSubset(session_, sim.w, ZEL_STORAGE_ANALOG, &status_));
  ZEL_SimWfDataWriter* ta = AddTo(texts, Wave(label));
  ZEL_SimWfDataWriter* tb = AddTo(texts, Wave(label));
  ZEL_SimInitializeWriting(session_, sim.w, &status_);
  const char* words[3] = {"idle", "run", "stop"};
  for (int c = 0; c < 3; ++c) {
    const double x = c;
    ZEL_SimStartCycle(session_, sim.w, &x, &status_);
    ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
    Enter(c == 0 ? sim.b : sim.a, c == 0 ? 10 : x + 1);
    ZEL_SimEndDataFront(session_, sim.analog, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEndDataFront: Some waveforms do not have a value.");
    ZEL_SimStartDataFront(session_, texts, 0, &status_);
    ZEL_SimWfDataWriterEnterValue(ta, &words[c], &status_);
    if (c == 1) ZEL_SimWfDataWriterEnterValue(tb, &words[c], &status_);
    ZEL_SimEndDataFront(session_, texts, &status_);
    EXPECT_EQ(status_, c == 1 ? ZEL_OK : ZEL_FAILED);
    ZEL_SimStartDataFront(session_, sim.digital, 0, &status_);
    ZEL_SimEndDataFront(session_, sim.digital, &status_);
    Ok("empty digital front");
    ZEL_SimEndCycle(session_, sim.w, &status_);
    Ok("end cycle");
  }
  ZEL_SimTerminateWriting(session_, sim.w, &status_);
  Close(c_);
  std::vector<StoredWave> s = ReadAll({0, 1, 2, 4});
  EXPECT_EQ(s[0].y, (std::vector<double>{0, 2, 3}));
  EXPECT_EQ(s[1].y, (std::vector<double>{10, 10, 10}));
  EXPECT_TRUE(s[2].codes.empty());
  EXPECT_EQ(s[3].text, (std::vector<std::string>{"", "run", "run"}));
}

TEST_F(SimWriterTest, FrontValuesFromArraysKeepTheRulesOfOneByOneOverLongRuns) {
  Sim sim = MakeSim();
  // A second digital waveform of doubles: the digital array packs a one-byte
  // code and a double.
  zel_waveform_t we = Wave();
  AddTo(sim.digital, we);
  const double twoValues[2] = {5, 6};
  auto enter = [&](zel_simResultSubset_t subset, unsigned first, unsigned count, const void* values) {
    ZEL_SimEnterDataFrontValues(session_, subset, first, count, values, &status_);
  };
  enter(sim.analog, 0, 2, twoValues);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEnterDataFrontValues: The data front is not active.");
  ZEL_SimInitializeWriting(session_, sim.w, &status_);
  double x = 0;
  ZEL_SimStartCycle(session_, sim.w, &x, &status_);
  enter(sim.analog, 0, 2, twoValues);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEnterDataFrontValues: The data front is not active.");
  ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
  enter(sim.analog, 0, 2, nullptr);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SimEnterDataFrontValues: values is null");
  enter(sim.analog, 1, 2, twoValues);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_SimEnterDataFrontValues: The waveforms first .. first + count - 1 are not all in the subset.");
  enter(sim.analog, 0xFFFFFFFFu, 2, twoValues);  // first + count wraps in 32 bits
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  enter(sim.analog, 2, 0, nullptr);
  Ok("an empty run");
  enter(ZEL_NullSimResultSubset, 0, 2, twoValues);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // b's value is refused with a, which has one: nothing of the run goes in.
  Enter(sim.a, 1);
  enter(sim.analog, 0, 2, twoValues);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimEnterDataFrontValues: The waveform already has a value.");
  enter(sim.analog, 1, 1, &twoValues[1]);
  Ok("b alone");
  ZEL_SimWfDataWriterEnterValue(sim.b, &twoValues[0], &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_SimWfDataWriterEnterValue: The waveform already has a value.");
  ZEL_SimEndDataFront(session_, sim.analog, &status_);
  Ok("every analog value is in");
  ZEL_SimStartDataFront(session_, sim.digital, 0, &status_);
  unsigned char packed[1 + sizeof(double)] = {1};
  const double e = 2.5;
  std::memcpy(packed + 1, &e, sizeof e);
  enter(sim.digital, 0, 2, packed);
  Ok("digital code and double");
  ZEL_SimEndDataFront(session_, sim.digital, &status_);
  ZEL_SimEndCycle(session_, sim.w, &status_);
  // Later cycles cross tiles and blocks, a third of them one by one, the
  // rest from arrays, with commits between; the values must read back as if
  // entered one by one. b misses its value in cycle 640, where its previous
  // one is already written out: b holds it.
  const int cycles = 1100;
  for (int c = 1; c < cycles; ++c) {
    x = c;
    ZEL_SimStartCycle(session_, sim.w, &x, &status_);
    ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
    const double row[2] = {double(c), double(-c)};
    if (c == 640) {
      Enter(sim.a, row[0]);
    } else if (c % 3 == 0) {
      Enter(sim.a, row[0]);
      Enter(sim.b, row[1]);
    } else {
      enter(sim.analog, 0, 2, row);
    }
    ZEL_SimEndDataFront(session_, sim.analog, &status_);
    EXPECT_EQ(status_, c == 640 ? ZEL_FAILED : ZEL_OK) << c;
    ZEL_SimStartDataFront(session_, sim.digital, 0, &status_);
    if (c % 100 == 0) {
      enter(sim.digital, 1, 1, &row[0]);
      EnterCode(sim.d, static_cast<unsigned char>((c / 100 + 1) % 2));
    }
    ZEL_SimEndDataFront(session_, sim.digital, &status_);
    ZEL_SimEndCycle(session_, sim.w, &status_);
    Ok("cycle");
    if (c % 333 == 0) ZEL_CommitWaveformData(session_, segment_, 0, &status_);
    Ok("commit");
  }
  Close(c_);
  std::vector<StoredWave> s = ReadAll({0, 1, 2, 3});
  ASSERT_EQ(s[0].y.size(), static_cast<size_t>(cycles));
  ASSERT_EQ(s[1].y.size(), static_cast<size_t>(cycles));
  EXPECT_EQ(s[0].y[0], 1);
  EXPECT_EQ(s[1].y[0], 6);
  for (int c = 1; c < cycles; ++c) {
    ASSERT_EQ(s[0].y[c], c);
    ASSERT_EQ(s[1].y[c], c == 640 ? -639 : -c);
  }
  EXPECT_EQ(s[2].codes, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(s[2].xIndices[10], 1000);
  ASSERT_EQ(s[3].y.size(), 11u);
  EXPECT_EQ(s[3].y[0], 2.5);
  EXPECT_EQ(s[3].y[10], 1000);
  EXPECT_EQ(s[3].xIndices[10], 1000);
}

// Analog values are stored every cycle, digital ones only when entered;
// closing inside a cycle ends the open fronts (their points stay) and the
// cycle. An analog waveform left without a value holds its previous one.
TEST_F(SimWriterTest, ClosingInsideACycleEndsTheOpenFronts) {
  Sim sim = MakeSim();
  EXPECT_TRUE(ZEL_AreSameWaveform(ZEL_GetSimResultWaveform(session_, sim.analog, 1, &status_), sim.wb));
  EXPECT_TRUE(ZEL_AreSameSimResultSubset(ZEL_GetSimResultSubset(session_, sim.w, 1, &status_), sim.digital));
  ZEL_SimInitializeWriting(session_, sim.w, &status_);
  Cycle(sim, 0, 1, 2, 1);
  Cycle(sim, 1, 3, 4, -1);
  const double x = 2;
  ZEL_SimStartCycle(session_, sim.w, &x, &status_);
  ZEL_SimStartDataFront(session_, sim.digital, 0, &status_);
  EnterCode(sim.d, 0);
  ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
  Enter(sim.a, 5);
  // A refused detach leaves the writer as it is: the front goes on.
  ZEL_DetachContainer(session_, c_, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  Close(c_);  // shuts the writer down; b never got its value
  ZEL_SimWfDataWriterEnterValue(sim.b, &x, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  std::vector<StoredWave> s = ReadAll();
  EXPECT_EQ(s[0].x, (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(s[0].y, (std::vector<double>{1, 3, 5}));
  EXPECT_EQ(s[1].y, (std::vector<double>{2, 4, 4}));
  EXPECT_EQ(s[0].xIndices, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(s[2].codes, (std::vector<int>{1, 0}));
  EXPECT_EQ(s[2].xIndices, (std::vector<int>{0, 2}));
  // The container was left clean: it opens for writing again.
  Close(Open(ZEL_IOMODE_WRITE));
}

TEST_F(SimWriterTest, DeletingInTheMiddleClosesWhatItOpenedAndInvalidatesEverything) {
  Sim sim = MakeSim();
  ZEL_SimInitializeWriting(session_, sim.w, &status_);
  Cycle(sim, 0, 1, 2, 1);
  const double x = 1;
  ZEL_SimStartCycle(session_, sim.w, &x, &status_);
  ZEL_SimStartDataFront(session_, sim.analog, 0, &status_);
  Enter(sim.a, 3);
  EXPECT_TRUE(Seg().IsDataStoreOpen(0));
  ZEL_DeleteSimResultWriter(session_, sim.w, &status_);
  Ok("delete");
  EXPECT_FALSE(Seg().IsDataStoreOpen(0));
  EXPECT_EQ(Seg().Get_SharedXSet_p(0)->Get_Writer_p(), nullptr);
  ZEL_SimWfDataWriterEnterValue(sim.a, &x, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_SimWfDataWriterSetMonotonicity(sim.d, ZEL_MONOTONICITY_INCREASING, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_SimEndDataFront(session_, sim.analog, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_SimEndCycle(session_, sim.w, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // Nothing was cut: the started point stays (b held at its zero bytes).
  ZEL_CommitWaveformData(session_, segment_, 0, &status_);
  Ok("commit after deletion");
  Close(c_);
  std::vector<StoredWave> s = ReadAll();
  EXPECT_EQ(s[0].y, (std::vector<double>{1, 3}));
  EXPECT_EQ(s[1].y, (std::vector<double>{2, 0}));
  EXPECT_EQ(s[2].codes, (std::vector<int>{1}));
  Close(Open(ZEL_IOMODE_WRITE));
}

TEST_F(SimWriterTest, DataWritersRefuseStaleNullAndInventedPointers) {
  Sim sim = MakeSim();
  ZEL_SimWfDataWriterEnterValue(nullptr, &sim, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_SimWfDataWriterEnterValue: Bad handle: wrong handle (deleted?)");
  ZEL_SimWfDataWriter invented;
  ZEL_SimWfDataWriterUnsetMinMax(&invented, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // Inside a live slab: the slot after the last data writer, and a pointer
  // into the middle of one.
  ZEL_SimWfDataWriterUnsetMinMax(sim.b + 1, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  ZEL_SimWfDataWriterUnsetMinMax(reinterpret_cast<ZEL_SimWfDataWriter*>(reinterpret_cast<char*>(sim.a) + 1),
                                 &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // A front writer's data writer is not a simulation data writer.
  zel_writer_t front = Check(ZEL_CreateWriter(session_, segment_, 0, ZEL_STORAGE_ANALOG, &status_));
  ZEL_WfDataWriter* frontData = Check(ZEL_AddWriterWaveform(session_, front, Wave(), &status_));
  ZEL_SimWfDataWriterUnsetMinMax(reinterpret_cast<ZEL_SimWfDataWriter*>(frontData), &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
  // The summaries of live ones.
  const double lo = -1, hi = 1;
  ZEL_SimWfDataWriterSetMinMax(sim.a, &lo, nullptr, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG, "ZEL_SimWfDataWriterSetMinMax: max is null");
  ZEL_SimWfDataWriterSetMinMax(sim.a, &lo, &hi, &status_);
  ZEL_SimWfDataWriterSetDataSpacing(sim.a, ZEL_DATASPACING_MIXED, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_BAD_ARG,
                     "ZEL_SimWfDataWriterSetDataSpacing: Explicitly setting MIXED/DEFAULT data spacing");
  ZEL_SimWfDataWriterSetMonotonicity(sim.b, ZEL_MONOTONICITY_DECREASING, &status_);
  Ok("monotonicity");
  ZEL_SetSimResultXMonotonicity(session_, sim.w, ZEL_MONOTONICITY_STRICTLY_INCREASING, &status_);
  ZEL_SetSimResultXMinMax(session_, sim.w, &lo, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZELI_DataSet* analog = ObjectOf(session_, sim.analog)->Get_DataSet_p();
  EXPECT_TRUE(analog->Get_DataInformation(0).IsMinMaxSet());
  EXPECT_EQ(analog->Get_DataInformation(1).Get_Monotonicity(), ZEL_MONOTONICITY_DECREASING);
  EXPECT_EQ(ObjectOf(session_, sim.w)->Get_SharedXSet_p()->Get_XDataInformation().Get_Monotonicity(),
            ZEL_MONOTONICITY_STRICTLY_INCREASING);
  Close(c_);
  ZEL_SimWfDataWriterEnterValue(sim.a, &lo, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}

// ---- other processes -------------------------------------------------------------------

constexpr int CommitEvery = 4;

// In a child: creates the container with one analog subset of two waveforms
// and one digital subset of one, then writes `cycles` cycles (cycle c: X
// c / 2, a = c, b = -c, the digital waveform, a real, c / 3 when 3 divides
// c), committing and signalling 'c' after every CommitEvery cycles and
// waiting to be resumed.
// With stopInside, it signals 'm' from inside the cycle after the last
// commit instead of finishing, and waits to be killed.
int WriteCycles(const std::string& name, ChildProcess::Channel& channel, int cycles, bool stopInside) {
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  zel_container_t c = ZEL_CreateContainer(s, name.c_str(), ZEL_MODE_DISK, &st);
  zel_type_t real = ZEL_CreateBuiltinType(s, c, "real", ZEL_REAL, &st);
  zel_dimensionDescriptor_t time = ZEL_CreateDimensionDescriptor(s, c, "time", "s", real, &st);
  zel_dimensionDescriptor_t volt = ZEL_CreateDimensionDescriptor(s, c, "v", "V", real, &st);
  zel_waveformSet_t set = ZEL_CreateWaveformSet(s, c, "tran", time, 0, nullptr, &st);
  zel_segment_t segment = ZEL_CreateSegment(s, set, 0, nullptr, &st);
  zel_waveform_t waves[3];
  for (zel_waveform_t& wave : waves) wave = ZEL_CreateWaveform(s, set, 0, volt, &st);
  zel_simResultWriter_t w = ZEL_CreateSimResultWriter(s, segment, 0, &st);
  zel_simResultSubset_t analog = ZEL_CreateSimResultSubset(s, w, ZEL_STORAGE_ANALOG, &st);
  zel_simResultSubset_t digital = ZEL_CreateSimResultSubset(s, w, ZEL_STORAGE_DIGITAL, &st);
  ZEL_SimWfDataWriter* d[3];
  for (int i = 0; i < 3; ++i) {
    zel_simResultSubset_t subset = i < 2 ? analog : digital;
    d[i] = ZEL_GetSimWfDataWriter_p(s, subset, ZEL_AddSimResultWaveform(s, subset, waves[i], &st), &st);
  }
  ZEL_SimInitializeWriting(s, w, &st);
  if (st != ZEL_OK) return 1;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    const double x = cycle / 2.0, a = cycle, b = -cycle, digit = cycle / 3;
    ZEL_SimStartCycle(s, w, &x, &st);
    ZEL_SimStartDataFront(s, analog, 0, &st);
    ZEL_SimWfDataWriterEnterValue(d[0], &a, &st);
    if (stopInside && cycle == cycles - 1) {
      channel.Signal('m');
      channel.Wait();
      return 2;  // killed before
    }
    ZEL_SimWfDataWriterEnterValue(d[1], &b, &st);
    ZEL_SimEndDataFront(s, analog, &st);
    ZEL_SimStartDataFront(s, digital, 0, &st);
    if (cycle % 3 == 0) ZEL_SimWfDataWriterEnterValue(d[2], &digit, &st);
    ZEL_SimEndDataFront(s, digital, &st);
    ZEL_SimEndCycle(s, w, &st);
    if (st != ZEL_OK) return 3;
    if ((cycle + 1) % CommitEvery == 0) {
      ZEL_CommitWaveformData(s, segment, 0, &st);
      if (st != ZEL_OK) return 4;
      channel.Signal('c');
      channel.Wait();
    }
  }
  ZEL_CloseContainer(s, c, &st);
  return st == ZEL_OK ? 0 : 5;
}

// What a reader must see after `cycles` committed cycles.
void ExpectPrefix(const std::vector<StoredWave>& s, int cycles) {
  ASSERT_EQ(s.size(), 3u);
  ASSERT_EQ(s[0].x.size(), static_cast<size_t>(cycles));
  ASSERT_EQ(s[0].y.size(), static_cast<size_t>(cycles));
  ASSERT_EQ(s[1].y.size(), static_cast<size_t>(cycles));
  ASSERT_EQ(s[2].y.size(), static_cast<size_t>((cycles + 2) / 3));
  for (int c = 0; c < cycles; ++c) {
    EXPECT_EQ(s[0].x[c], c / 2.0);
    EXPECT_EQ(s[0].y[c], c);
    EXPECT_EQ(s[1].y[c], -c);
  }
  for (size_t i = 0; i < s[2].y.size(); ++i) {
    EXPECT_EQ(s[2].y[i], static_cast<double>(i));
    EXPECT_EQ(s[2].xIndices[i], static_cast<int>(3 * i));
  }
}

TEST_F(SimWriterTest, ReaderInAnotherProcessSeesEachCommittedPrefix) {
  Close(c_);
  const std::string name = dir_ / "live";
  constexpr int Commits = 3;
  ChildProcess writer([&](ChildProcess::Channel& ch) { return WriteCycles(name, ch, Commits * CommitEvery, false); });
  int64_t seen = 0;
  for (int commit = 1; commit <= Commits; ++commit) {
    ASSERT_EQ(writer.AwaitSignal(), 'c');
    std::vector<StoredWave> s;
    ASSERT_TRUE(ReadInContainer(name, {0, 1, 2}, s));
    ExpectPrefix(s, commit * CommitEvery);
    zel_container_t c = Check(ZEL_OpenContainer(session_, name.c_str(), ZEL_IOMODE_READ, &status_));
    int64_t time = seen;
    const zel_bool_t latest = ZEL_IsSegDataLatest(session_, c, &time, &status_);
    Ok("is seg data latest");
    // Every commit brings newer data than what the last look saw.
    EXPECT_TRUE(commit == 1 || !latest) << commit;
    seen = time;
    EXPECT_TRUE(ZEL_IsSegDataLatest(session_, c, &time, &status_));
    Close(c);
    writer.Resume();
  }
  EXPECT_EQ(writer.Join(), 0);
  std::vector<StoredWave> s;
  ASSERT_TRUE(ReadInContainer(name, {0, 1, 2}, s));
  ExpectPrefix(s, Commits * CommitEvery);
}

// A writer killed in the middle of a cycle leaves the container with its
// registration as writer: readers may still open it (reading beside a
// writer is allowed) and see the last commit; opening it for writing stays
// refused, as for a live writer.
TEST_F(SimWriterTest, WriterKilledInTheMiddleOfACycleLeavesTheLastCommit) {
  Close(c_);
  const std::string name = dir_ / "killed";
  ChildProcess writer([&](ChildProcess::Channel& ch) { return WriteCycles(name, ch, CommitEvery + 3, true); });
  ASSERT_EQ(writer.AwaitSignal(), 'c');
  writer.Resume();
  ASSERT_EQ(writer.AwaitSignal(), 'm');
  writer.Kill();
  EXPECT_EQ(writer.Join(), -1);
  std::vector<StoredWave> s;
  ASSERT_TRUE(ReadInContainer(name, {0, 1, 2}, s));
  ExpectPrefix(s, CommitEvery);
  ZEL_OpenContainer(session_, name.c_str(), ZEL_IOMODE_WRITE, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_OpenContainer: Container is open for writing");
}

}  // namespace
}  // namespace zeltest
