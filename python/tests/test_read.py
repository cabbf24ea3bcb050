"""Reading a container written by the C library: structure, hierarchy,
values without a copy, values at X, and failures as exceptions."""
import gc
import os
import shutil

import numpy as np
import pytest

import qo_zel


def test_structure_and_hierarchy(demo):
    with qo_zel.open(demo) as c:
        assert c.attribute("simulator") == "zel demo (RC ladder)"
        [tran] = c.waveform_sets
        assert (tran.name, tran.x_descriptor.label) == ("tran", "time [s]")
        [r] = tran.parameters
        assert (r.name, r.descriptor.label, r.count) == ("R", "resistance [Ohm]", 3)
        segments = tran.segments
        assert [s.values for s in segments] == [{"R": 1000.0}, {"R": 2000.0}, {"R": 4000.0}]
        assert segments[2].label == "R = 4000 Ohm"
        nodes = [(n.path, n.kind) for n in tran.root.walk()]
        assert nodes[:3] == [("top", "block"), ("top/source", "block"), ("top/source/vin", "scalar")]
        paths = [path for path, _ in tran.waveforms()]
        assert paths == ["top/source/vin", "top/ladder/n1", "top/ladder/n2", "top/ladder/n3",
                         "top/logic/n1_high", "top/logic/n2_high", "top/logic/n3_high"]
        logic = tran.waveform("top/logic/n1_high")
        assert logic.is_digital and logic.y_descriptor.type.literals == {0: "0", 1: "1"}


def test_analog_values_are_views_of_the_library_memory(demo):
    c = qo_zel.open(demo)
    assert os.getpid() in qo_zel.version_info(demo)["readers"]
    tran = c.waveform_set("tran")
    data = tran.waveform("top/source/vin").data(tran.segments[1])
    # 2001 cycles of 10 ns; the source is 1 V from 2 us to 10 us.
    assert len(data) == 2001 and not data.copied
    assert data.x[0] == 0.0 and data.x[-1] == pytest.approx(2e-5)
    assert np.all(np.diff(data.x) > 0)
    assert data.y[data.x < 1.99e-6].max() == 0.0 and data.y[(data.x > 2.01e-6) & (data.x < 9.99e-6)].min() == 1.0
    assert not data.y.flags.writeable
    with pytest.raises(ValueError):
        data.y[0] = 2.0
    # Asked again: the same arrays, not a second read.
    assert tran.waveform("top/source/vin").data(1).y is data.y

    n3 = tran.waveform("top/ladder/n3").data(0)
    at = 7.345e-6
    assert n3.value_at(at) == pytest.approx(np.interp(at, n3.x, n3.y), rel=1e-12)
    with pytest.raises(qo_zel.Error) as failure:
        n3.value_at(1.0)
    assert failure.value.status == qo_zel.Status.NOT_FOUND
    assert failure.value.message.startswith("ZEL_GetWfSegmentValueByX: ")

    # The arrays outlive close(); the library closes once they are gone.
    y = data.y.copy()
    c.close()
    assert np.array_equal(data.y, y)
    with pytest.raises(qo_zel.Error) as failure:
        tran.waveform("top/ladder/n1").data(0).y
    assert failure.value.status == qo_zel.Status.BAD_HANDLE
    assert os.getpid() in qo_zel.version_info(demo)["readers"]
    del data, n3
    gc.collect()
    assert os.getpid() not in qo_zel.version_info(demo)["readers"]


def test_digital_values_hold_until_the_next_change(demo):
    with qo_zel.open(demo) as c:
        tran = c.waveform_set("tran")
        bit = tran.waveform("top/logic/n1_high")
        data = bit.data(0)
        # Stored only on change: 0 at the start, 1 while the node is high, 0 again.
        assert list(data.y) == [0, 1, 0] and data.texts() == ["0", "1", "0"]
        assert data.value_at((data.x[1] + data.x[2]) / 2) == 1
        assert data.value_at(data.x[2]) == 0


def test_failures_carry_the_status_and_message(tmp_path):
    with pytest.raises(qo_zel.Error) as failure:
        qo_zel.open(tmp_path / "missing")
    assert failure.value.status == qo_zel.Status.NOT_FOUND
    assert failure.value.message.startswith("ZEL_OpenContainer: ")
    assert "NOT_FOUND" in str(failure.value)


def test_values_are_read_only_when_asked_for(demo, tmp_path):
    # A damaged data file of segment 2 stops neither the opening nor the
    # other segments: its values are read (and refused) when asked for.
    shutil.copy(demo + ".qo_zel", tmp_path)
    shutil.copytree(demo + "_zel", tmp_path / "zel-demo_zel")
    (tmp_path / "zel-demo_zel" / "version_0" / "segment_2_0.data").write_bytes(b"")
    with qo_zel.open(tmp_path / "zel-demo") as c:
        tran = c.waveform_set("tran")
        assert len(tran.segments) == 3 and len(list(tran.waveforms())) == 7
        assert len(tran.waveform("top/ladder/n1").data(0).y) == 2001
        with pytest.raises(qo_zel.Error) as failure:
            tran.waveform("top/ladder/n1").data(2).y
        assert failure.value.status == qo_zel.Status.FAILED
        assert failure.value.message.endswith(": Corrupted data file.")
