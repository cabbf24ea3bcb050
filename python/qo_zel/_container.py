"""Containers, waveform sets, parameters, segments and the signal
hierarchy, read through the library's C interface.

Nothing is read before it is asked for: opening a container reads its
structure (what the library loads on opening), and the values of a waveform
in a segment are read when its data is first asked for, one waveform and one
segment at a time, so a container larger than memory can be opened and
browsed.

Lifetime: arrays handed out without a copy view memory of the library's
reader. Closing a container ends it in the library only once no such array
is left; until then the container is closed for any further use.
"""
import ctypes
import weakref

import numpy as np

from . import _lib
from ._lib import Error, Interpolation, Status, call
from ._types import Descriptor, Type, session
from ._waveform import Waveform, Reading


def open(name):  # noqa: A001 - the natural name for opening a container
    """Opens the container named name (its path, with or without the
    reference file's suffix) read-only."""
    handle = call("ZEL_OpenContainer", session(), _lib.encode(str(name)), _lib.IOMODE_READ)
    return Container(handle, writable=False)


def create(name):
    """Creates the container name on disk (a new version when it exists),
    open for writing."""
    handle = call("ZEL_CreateContainer", session(), _lib.encode(str(name)), _lib.MODE_DISK)
    return Container(handle, writable=True)


class Container:
    """An open container. Use as a context manager or call close()."""

    def __init__(self, handle, writable):
        self.handle = handle
        self.writable = writable
        self._reading = Reading(handle)
        self._closed = False
        # A container dropped without close() is closed when collected.
        weakref.finalize(self, Reading.close, self._reading)

    # -- lifetime ----------------------------------------------------------
    def close(self):
        """Closes the container; a second call does nothing. Arrays already
        handed out stay valid (the library closes when the last one goes)."""
        if not self._closed:
            self._closed = True
            self._reading.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _check(self):
        if self._closed:
            raise Error(Status.BAD_HANDLE, "the container is closed")

    # -- reading -----------------------------------------------------------
    @property
    def name(self):
        self._check()
        return _lib.text(call("ZEL_GetContainerName", session(), self.handle))

    def attribute(self, name):
        """The container attribute's value, None when not set."""
        self._check()
        return _lib.text(call("ZEL_GetContainerAttribute", session(), self.handle, _lib.encode(name)))

    @property
    def waveform_sets(self):
        """Every waveform set, in creation order."""
        self._check()
        count = ctypes.c_uint(0)
        pointer = call("ZEL_GetAllWaveformSets", session(), self.handle, ctypes.byref(count))
        return [WaveformSet(self, h) for h in _lib.taken_handles(pointer, count.value)]

    def waveform_set(self, name):
        """The waveform set named name (Error NOT_FOUND when there is none)."""
        self._check()
        return WaveformSet(self, call("ZEL_FindWaveformSet", session(), self.handle, _lib.encode(name)))

    # -- writing -----------------------------------------------------------
    def builtin_type(self, name, kind):
        """A new builtin type (DataType.REAL, INTEGER, FLOAT, ...)."""
        self._check()
        return Type(call("ZEL_CreateBuiltinType", session(), self.handle, _lib.encode(name), int(kind)))

    def enumeration_type(self, name, literals):
        """A new enumeration whose literals get the encodings 0, 1, ..."""
        self._check()
        array = (ctypes.c_char_p * len(literals))(*[_lib.encode(l) for l in literals])
        return Type(call("ZEL_CreateEnumerationType", session(), self.handle, _lib.encode(name), len(literals),
                         array, 0, len(literals) - 1, 0))

    def descriptor(self, name, unit, type):  # noqa: A002
        """A new dimension descriptor over type."""
        self._check()
        return Descriptor(call("ZEL_CreateDimensionDescriptor", session(), self.handle, _lib.encode(name),
                               _lib.encode(unit), type.handle))

    def parameter(self, name, descriptor, values):
        """A new sweep parameter over descriptor with the given values."""
        self._check()
        handle = call("ZEL_CreateParameter", session(), self.handle, _lib.encode(name), descriptor.handle)
        data = np.ascontiguousarray(values, dtype=descriptor.type.dtype)
        if data.size:
            call("ZEL_AppendParameterValues", session(), handle, data.size, data.ctypes.data, None)
        return Parameter(handle)

    def create_waveform_set(self, name, x_descriptor, parameters=()):
        """A new waveform set over x_descriptor, swept over parameters."""
        self._check()
        array = (_lib.Handle * max(len(parameters), 1))(*[p.handle for p in parameters])
        handle = call("ZEL_CreateWaveformSet", session(), self.handle, _lib.encode(name), x_descriptor.handle,
                      len(parameters), array)
        return WaveformSet(self, handle)


class Parameter:
    """A sweep parameter: its name, descriptor and values."""

    def __init__(self, handle):
        s = session()
        self.handle = handle
        self.name = _lib.text(call("ZEL_GetParameterName", s, handle))
        self.descriptor = Descriptor(call("ZEL_GetParameterDimensionDescriptor", s, handle))
        self.count = call("ZEL_GetParameterValueCount", s, handle)

    def __repr__(self):
        return f"Parameter({self.name!r}, {self.count} values)"


class Segment:
    """The data of a waveform set for one combination of parameter values."""

    def __init__(self, waveform_set, handle, parameters):
        s = session()
        self.waveform_set = waveform_set
        self.handle = handle
        self.index = call("ZEL_GetSegmentIndex", s, handle)
        self.values = {}
        for i, parameter in enumerate(parameters):
            type_ = parameter.descriptor.type
            buffer = ctypes.create_string_buffer(max(type_.size, 8))
            call("ZEL_GetSegmentParameterValue", s, handle, i, buffer, None)
            self.values[parameter.name] = type_.value(buffer)
        self._parameters = parameters

    @property
    def label(self):
        """The parameter values as text: "R = 1000 Ohm, T = 27 C"."""
        parts = []
        for parameter in self._parameters:
            descriptor = parameter.descriptor
            value = descriptor.type.text(self.values[parameter.name])
            parts.append(f"{parameter.name} = {value}" + (f" {descriptor.unit}" if descriptor.unit else ""))
        return ", ".join(parts)

    def __repr__(self):
        return f"Segment({self.index}, {self.values})"


class Node:
    """A node of a waveform set's signal hierarchy."""

    def __init__(self, waveform_set, handle):
        s = session()
        self.waveform_set = waveform_set
        self.handle = handle
        self.name = _lib.text(call("ZEL_GetHierarchyNodeName", s, handle))
        self.kind = _lib.NODE_KINDS.get(call("ZEL_GetHierarchyNodeType", s, handle), "unknown")
        full = _lib.taken_text(call("ZEL_GetHierarchyNodeFullName", s, handle, _lib.HDL_SLASH))
        # Paths as the tool takes them: from the root, without the leading "/".
        self.path = full[1:] if full.startswith("/") else full

    @property
    def children(self):
        """The nodes right below this one, in insertion order (a group's
        members, a composite signal's fields)."""
        s = session()
        enter = _lib.ITOR_ENTER_GROUPS_WAVEFORMS if self.kind == "group" else _lib.ITOR_ENTER_BLOCKS_WAVEFORMS
        iterator = call("ZEL_CreateNodeIterator", s, self.handle, _lib.ITOR_INSERTION_ORDER, _lib.ITOR_FORWARD,
                        _lib.ITOR_CHILDREN, enter)
        try:
            nodes = []
            node = call("ZEL_GetFirstNode", s, iterator)
            while node:
                nodes.append(Node(self.waveform_set, node))
                node = call("ZEL_GetNextNode", s, iterator)
            return nodes
        finally:
            call("ZEL_DeleteNodeIterator", s, iterator)

    def walk(self):
        """This node's descendants, each before its own (pre-order); the
        members of groups are listed where they live, not again below the
        group."""
        for child in self.children:
            yield child
            if child.kind != "group":
                yield from child.walk()

    @property
    def waveform(self):
        """The node's waveform (stored or derived by the library), None for
        blocks, groups and signals without one."""
        s = session()
        if self.kind not in ("composite", "scalar"):
            return None
        try:
            handle = call("ZEL_GetHierarchyWaveform", s, self.handle)
        except Error:
            return None
        return Waveform(self.waveform_set, handle, self.path)

    def __repr__(self):
        return f"Node({self.path!r}, {self.kind})"


class WaveformSet:
    """A waveform set: its X descriptor, parameters, segments, waveforms and
    signal hierarchy."""

    def __init__(self, container, handle):
        s = session()
        self.container = container
        self.handle = handle
        self.name = _lib.text(call("ZEL_GetWaveformSetName", s, handle))
        self.x_descriptor = Descriptor(call("ZEL_GetWaveformSetXDescriptor", s, handle))
        count = call("ZEL_GetWaveformSetParameterCount", s, handle)
        self.parameters = [Parameter(call("ZEL_GetWaveformSetParameter", s, handle, i)) for i in range(count)]

    @property
    def segments(self):
        """The segments in creation order."""
        s = session()
        count = call("ZEL_GetSegmentCount", s, self.handle)
        return [Segment(self, call("ZEL_GetSegment", s, self.handle, i), self.parameters) for i in range(count)]

    @property
    def root(self):
        return Node(self, call("ZEL_GetNameHierarchyRootNode", session(), self.handle))

    def node(self, path):
        """The hierarchy node at path ("top/out", "bus[3]"): Error NOT_FOUND
        when there is none."""
        s = session()
        count = ctypes.c_uint(0)
        pointer = call("ZEL_GetHierarchyNodes", s, self.root.handle, _lib.encode(path), _lib.HDL_SLASH,
                       ctypes.byref(count))
        handles = _lib.taken_handles(pointer, count.value)
        if len(handles) != 1:
            raise Error(Status.NOT_FOUND, f"no node {path} in waveform set {self.name}")
        return Node(self, handles[0])

    def waveform(self, path):
        """The waveform at path of the hierarchy."""
        node = self.node(path)
        waveform = node.waveform
        if waveform is None:
            raise Error(Status.NOT_FOUND, f"{path} has no waveform")
        return waveform

    def waveforms(self):
        """(path, waveform) of every node of the hierarchy with a waveform."""
        for node in self.root.walk():
            waveform = node.waveform
            if waveform is not None:
                yield node.path, waveform

    # -- writing -----------------------------------------------------------
    def create_waveform(self, y_descriptor, path=None, semantic=0):
        """A new stored waveform with Y values of y_descriptor, named at
        path of the hierarchy when given."""
        s = session()
        handle = call("ZEL_CreateWaveform", s, self.handle, semantic, y_descriptor.handle)
        if path is not None:
            call("ZEL_AddHierarchyScalarWf", s, self.root.handle, _lib.encode(path), _lib.HDL_SLASH, handle)
        return Waveform(self, handle, path)

    def write_segment(self, indices, x, values, interpolation=None):
        """Writes one segment through the array writer: the segment of the
        parameter value positions indices (one per parameter), the X values
        x and, for each waveform of values (a dict), its Y values (as many
        as X values). interpolation defaults to LINEAR for numbers and
        CONSTANT for discrete values. The data is committed. Returns the
        Segment."""
        s = session()
        self.container._check()
        x_type = self.x_descriptor.type
        xs = np.ascontiguousarray(x, dtype=x_type.dtype)
        ys = {}
        for waveform, y in values.items():
            array = np.ascontiguousarray(y, dtype=waveform.y_descriptor.type.dtype)
            if array.shape != xs.shape or xs.ndim != 1:
                raise ValueError(f"{waveform.path or 'a waveform'}: {array.shape} Y values for {xs.shape} X values")
            ys[waveform] = array
        index_array = (ctypes.c_uint * max(len(indices), 1))(*indices)
        segment = call("ZEL_CreateSegment", s, self.handle, len(indices), index_array)
        writer = call("ZEL_CreateWriter", s, segment, 0, _lib.STORAGE_ANALOG)
        try:
            writers = []
            for waveform, array in ys.items():
                data = call("ZEL_AddWriterWaveform", s, writer, waveform.handle)
                chosen = interpolation
                if chosen is None:
                    chosen = Interpolation.CONSTANT if waveform.y_descriptor.type.is_digital else Interpolation.LINEAR
                call("ZEL_WfDataWriterSetInterpolationType", data, int(chosen))
                writers.append((data, array))
            call("ZEL_InitializeArrayWriting", s, writer)
            call("ZEL_AppendXArray", s, writer, xs.size, xs.ctypes.data)
            for data, array in writers:
                call("ZEL_WfDataWriterAppendArrays", data, array.size, array.ctypes.data, None, None)
            call("ZEL_TerminateWriting", s, writer)
            call("ZEL_CommitWaveformData", s, segment, 0)
        finally:
            call("ZEL_DeleteWriter", s, writer)
        return Segment(self, segment, self.parameters)

    def __repr__(self):
        return f"WaveformSet({self.name!r}, x={self.x_descriptor.label!r}, {len(self.parameters)} parameters)"
