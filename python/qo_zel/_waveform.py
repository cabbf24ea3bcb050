"""Waveforms and their values in one segment, read through one library
reader per container.

A reader reads one segment at a time and keeps the waveform segments it
built for its whole life, so going back to a segment costs nothing and the
library's buffers of a waveform segment stay where they are until the next
access window is set up on that waveform segment. The values of one
waveform in one segment are read once (WaveformData), with one window over
the whole leg when the library holds its values side by side: X and Y are
then read-only numpy views of the library's memory, without a copy;
otherwise they are copied window by window.

Every such view keeps a _Keep object alive; the container is closed in the
library (reader, view, container) when it was closed in Python and no
_Keep is left.
"""
import ctypes
import weakref

import numpy as np

from . import _lib
from ._lib import Error, Status, call
from ._types import Descriptor, session


class _Keep:
    """Held by every numpy view of library memory (through its buffer)."""

    def __init__(self, reading):
        self.reading = reading
        reading.views += 1
        weakref.finalize(self, Reading._release, reading)


class Reading:
    """The container's reader and what it has read: waveform readers by
    waveform key, waveform data by (waveform key, segment key)."""

    def __init__(self, container):
        self.container = container
        self.view = None
        self.reader = None
        self.data_readers = {}
        self.data = {}
        self.current = None  # segment handle open in the reader
        self.views = 0
        self.closing = False
        self.closed = False

    def _open_reader(self):
        if self.reader is None:
            s = session()
            self.view = call("ZEL_CreateView", s)
            self.reader = call("ZEL_CreateReader", s, self.container, self.view)

    def segment_of(self, waveform, segment):
        """The library's waveform segment (ZEL_WfSegment*) of waveform in
        segment, with the reader on that segment."""
        if self.closing:
            raise Error(Status.BAD_HANDLE, "the container is closed")
        s = session()
        self._open_reader()
        key = waveform.key
        if key not in self.data_readers:
            if self.current is not None:
                call("ZEL_EndReading", s, self.reader)
                self.current = None
            self.data_readers[key] = call("ZEL_AddReaderWaveform", s, self.reader, waveform)
        if self.current != segment:
            if self.current is not None:
                call("ZEL_EndReading", s, self.reader)
                self.current = None
            call("ZEL_StartReadingSegment", s, self.reader, segment)
            self.current = segment
        return call("ZEL_GetWaveformDataWfSegment", s, self.data_readers[key])

    def close(self):
        self.closing = True
        self.data.clear()
        if self.views == 0:
            self._close_now()

    @staticmethod
    def _release(reading):
        reading.views -= 1
        if reading.closing and reading.views == 0:
            reading._close_now()

    def _close_now(self):
        if self.closed:
            return
        self.closed = True
        s = session()
        if self.reader is not None:
            call("ZEL_DeleteReader", s, self.reader)
            call("ZEL_DeleteView", s, self.view)
        call("ZEL_CloseContainer", s, self.container)


class Waveform:
    """A waveform of a waveform set: its descriptors and, per segment, its
    values (data())."""

    def __init__(self, waveform_set, handle, path=None):
        s = session()
        self.waveform_set = waveform_set
        self.handle = handle
        self.path = path
        self.x_descriptor = Descriptor(call("ZEL_GetWaveformXDescriptor", s, handle))
        self.y_descriptor = Descriptor(call("ZEL_GetWaveformYDescriptor", s, handle))

    @property
    def is_digital(self):
        return self.y_descriptor.type.is_digital

    def has_data(self, segment):
        """Whether the segment holds values of this waveform (derived
        waveforms cannot tell beforehand: True)."""
        try:
            return bool(call("ZEL_ExistWfSegment", session(), segment.handle, self.handle))
        except Error:
            return True

    def data(self, segment=0):
        """The values in segment (a Segment or a position in the set's
        segment list), read on first use of its x or y."""
        if not hasattr(segment, "handle"):
            segment = self.waveform_set.segments[segment]
        reading = self.waveform_set.container._reading
        key = (self.handle.key, segment.handle.key)
        data = reading.data.get(key)
        if data is None:
            data = WaveformData(self, segment)
            reading.data[key] = data
        return data

    def __eq__(self, other):
        return isinstance(other, Waveform) and self.handle == other.handle

    def __hash__(self):
        return hash(self.handle)

    def __repr__(self):
        return f"Waveform({self.path!r}, y={self.y_descriptor.label!r})"


class WaveformData:
    """One waveform's values in one segment: x and y as numpy arrays (views
    of the library's memory when it allows, read-only then), value_at(x)."""

    def __init__(self, waveform, segment):
        self.waveform = waveform
        self.segment = segment
        self._x = None
        self._y = None
        self.copied = None  # after reading: whether the values were copied

    def _segment(self):
        container = self.waveform.waveform_set.container
        container._check()
        return container._reading.segment_of(self.waveform.handle, self.segment.handle)

    def _read(self):
        if self._y is not None:
            return
        ws = self._segment()
        x_type = self.waveform.x_descriptor.type
        y_type = self.waveform.y_descriptor.type
        count = call("ZEL_GetWfSegmentLegPointCount", ws, 0)
        if count == 0:
            self._x, self._y, self.copied = _empty(x_type), _empty(y_type), False
            return
        window = call("ZEL_SetupGetWfSegmentBuffer", ws, 0, 0)
        numeric = x_type.dtype is not None and y_type.dtype is not None
        if window == count and numeric:
            keep = _Keep(self.waveform.waveform_set.container._reading)
            self._x = _view(call("ZEL_GetWfSegmentXBuffer", ws), x_type.dtype, count, keep)
            self._y = _view(call("ZEL_GetWfSegmentYBuffer", ws), y_type.dtype, count, keep)
            self.copied = False
            return
        xs, ys = [], []
        point = 0
        while point < count:
            if point:
                window = call("ZEL_SetupGetWfSegmentBuffer", ws, 0, point)
            xs.append(_copy(call("ZEL_GetWfSegmentXBuffer", ws), x_type, window))
            ys.append(_copy(call("ZEL_GetWfSegmentYBuffer", ws), y_type, window))
            point += window
        self._x, self._y, self.copied = np.concatenate(xs), np.concatenate(ys), True

    @property
    def x(self):
        self._read()
        return self._x

    @property
    def y(self):
        self._read()
        return self._y

    def __len__(self):
        return len(self.y)

    def value_at(self, x):
        """Y at X, interpolated as the waveform was written (Error NOT_FOUND
        "No such value" outside its X range)."""
        ws = self._segment()
        x_type = self.waveform.x_descriptor.type
        y_type = self.waveform.y_descriptor.type
        sought = x_type.buffer(x)
        y = ctypes.create_string_buffer(max(y_type.size, 8))
        u = [ctypes.c_uint() for _ in range(3)]
        flags = [ctypes.c_ubyte() for _ in range(2)]
        call("ZEL_GetWfSegmentValueByX", ws, 0, 0, sought, 0, 0, *[ctypes.byref(v) for v in u],
             *[ctypes.byref(f) for f in flags], y, None)
        return y_type.value(y)

    def texts(self):
        """The Y values as text (enumeration literals, numbers)."""
        y_type = self.waveform.y_descriptor.type
        return [y_type.text(v) for v in self.y]

    def __repr__(self):
        return f"WaveformData({self.waveform.path!r}, segment {self.segment.index})"


def _empty(type_):
    return np.empty(0, dtype=type_.dtype if type_.dtype is not None else object)


def _view(address, dtype, count, keep):
    buffer = (ctypes.c_char * (dtype.itemsize * count)).from_address(address)
    buffer._keep = keep
    array = np.frombuffer(buffer, dtype=dtype, count=count)
    array.flags.writeable = False
    return array


def _copy(address, type_, count):
    if type_.dtype is None:
        # Strings: one char* slot per value.
        slots = (ctypes.c_char_p * count).from_address(address)
        return np.array([_lib.text(v) for v in slots], dtype=object)
    size = type_.dtype.itemsize * count
    return np.frombuffer(ctypes.string_at(address, size), dtype=type_.dtype, count=count).copy()
