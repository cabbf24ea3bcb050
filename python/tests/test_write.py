"""Writing through the array writer from numpy arrays and reading back."""
import numpy as np
import pytest

import qo_zel


def write_sweep(name):
    with qo_zel.create(name) as c:
        real = c.builtin_type("real", qo_zel.DataType.REAL)
        integer = c.builtin_type("int", qo_zel.DataType.INTEGER)
        state = c.enumeration_type("state", ["idle", "busy", "done"])
        time = c.descriptor("time", "s", real)
        volt = c.descriptor("voltage", "V", real)
        count = c.descriptor("count", "", integer)
        phase = c.descriptor("phase", "", state)
        temp = c.parameter("T", c.descriptor("temperature", "C", real), [-40.0, 125.0])
        tran = c.create_waveform_set("tran", time, [temp])
        out = tran.create_waveform(volt, "top/out")
        hits = tran.create_waveform(count, "top/hits")
        fsm = tran.create_waveform(phase, "top/fsm")
        x = np.linspace(0.0, 1e-6, 101)
        for i, t in enumerate((-40.0, 125.0)):
            tran.write_segment([i], x, {out: np.sin(x * 1e7) * (1 + t / 100), hits: np.arange(101) * (i + 1),
                                        fsm: np.repeat([0, 1, 2, 1, 0], [20, 20, 20, 20, 21])})
        with pytest.raises(ValueError):
            tran.write_segment([0], x, {out: x[:-1]})
        with pytest.raises(qo_zel.Error) as failure:
            tran.write_segment([2], x, {out: x})
        assert failure.value.status == qo_zel.Status.BAD_ARG
        assert failure.value.message == "ZEL_CreateSegment: Parameter index is out of range."
    return x


def test_arrays_written_are_read_back_after_reopening(tmp_path):
    name = str(tmp_path / "sweep")
    x = write_sweep(name)
    with qo_zel.open(name + ".qo_zel") as c:
        tran = c.waveform_set("tran")
        assert [s.label for s in tran.segments] == ["T = -40 C", "T = 125 C"]
        for i, t in enumerate((-40.0, 125.0)):
            out = tran.waveform("top/out").data(i)
            assert np.array_equal(out.x, x) and out.y.dtype == np.float64
            assert np.array_equal(out.y, np.sin(x * 1e7) * (1 + t / 100))
            hits = tran.waveform("top/hits").data(i)
            assert hits.y.dtype == np.int32 and np.array_equal(hits.y, np.arange(101) * (i + 1))
        fsm = tran.waveform("top/fsm").data(1)
        assert fsm.texts()[19:22] == ["idle", "busy", "busy"]
        # Linear between points for numbers, held for enumerations.
        out = tran.waveform("top/out").data(0)
        assert out.value_at(0.5e-8) == pytest.approx((out.y[0] + out.y[1]) / 2)
        assert fsm.value_at(x[40] + 1e-9) == 2


def test_a_read_only_container_refuses_writing(tmp_path):
    name = str(tmp_path / "sweep")
    x = write_sweep(name)
    with qo_zel.open(name) as c:
        tran = c.waveform_set("tran")
        with pytest.raises(qo_zel.Error) as failure:
            tran.write_segment([0], x, {tran.waveform("top/out"): x})
        assert failure.value.status == qo_zel.Status.FAILED
