"""Reading and writing libqo_zel waveform containers from Python.

    import qo_zel
    with qo_zel.open("runs/tran") as c:
        tran = c.waveform_set("tran")
        out = tran.waveform("top/out")
        data = out.data(tran.segments[0])
        data.x, data.y          # numpy arrays
        data.value_at(1e-6)     # interpolated

Errors of the library raise qo_zel.Error with .status (a Status) and
.message (the library's text). The shared library is found through
ZEL_LIBRARY, a build directory of the checkout, or the dynamic loader.
"""
from ._lib import DataType, Error, Interpolation, Status
from ._lib import path as library_path, version_info
from ._container import Container, Node, Parameter, Segment, WaveformSet, create, open
from ._types import Descriptor, Type
from ._waveform import Waveform, WaveformData

__all__ = ["Container", "DataType", "Descriptor", "Error", "Interpolation", "Node", "Parameter", "Segment",
           "Status", "Type", "Waveform", "WaveformData", "WaveformSet", "create", "library_path", "open",
           "version_info"]
