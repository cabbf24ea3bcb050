"""Types and dimension descriptors of a container, and how their values map
to numpy: every numeric kind has a numpy dtype of the same bytes, so the
library's value buffers can be viewed without a copy."""
import ctypes

import numpy as np

from . import _lib
from ._lib import DataType, call


def session():
    """The process's one library session, started on first use. The library
    ends it (and closes what it left open) when the process exits."""
    global _session
    if _session is None:
        _session = call("ZEL_InitSession")
    return _session


_session = None


class Type:
    """A type of a container: its name, data kind, stored size and the numpy
    dtype of its values (None for strings, whose values are pointers)."""

    def __init__(self, handle):
        s = session()
        self.handle = handle
        self.name = _lib.text(call("ZEL_GetTypeName", s, handle))
        self.kind = DataType(call("ZEL_GetDataType", s, handle))
        self.size = call("ZEL_GetSizeOfType", s, handle)
        self.unsigned = bool(call("ZEL_IsTypeUnsigned", s, handle))
        self.dtype = _dtype(self.kind, self.size, self.unsigned)
        self.literals = {}
        if self.kind == DataType.ENUMERATION:
            for position in range(call("ZEL_GetEnumerationLiteralCount", s, handle)):
                encoding = call("ZEL_GetEnumerationEncodingByPosition", s, handle, position)
                literal = call("ZEL_GetEnumerationLiteralByPosition", s, handle, position)
                self.literals[encoding] = _lib.text(literal)

    @property
    def is_digital(self):
        """Discrete values (enumerations, characters, strings): shown as bands
        of values rather than as curves."""
        return self.kind in (DataType.ENUMERATION, DataType.CHARACTER, DataType.STRING)

    def text(self, value):
        """A value as text: an enumeration's literal, else str()."""
        if self.kind == DataType.ENUMERATION:
            return self.literals.get(int(value), str(value))
        if isinstance(value, (bytes, np.bytes_)):
            return value.decode("utf-8", "replace")
        if isinstance(value, (float, np.floating)):
            return f"{value:g}"
        return str(value)

    def value(self, buffer):
        """One value from a ctypes buffer of self.size bytes (a string value
        is a malloc'd text, taken over and freed)."""
        if self.kind == DataType.STRING:
            address = ctypes.c_void_p.from_buffer(buffer).value
            return _lib.taken_text(address)
        item = np.frombuffer(buffer, dtype=self.dtype, count=1)[0]
        return item.item() if self.dtype.kind != "V" else bytes(item)

    def buffer(self, value):
        """One value as a ctypes buffer to pass to the library."""
        if self.dtype is None:
            raise TypeError(f"values of {self.kind.name} types cannot be passed")
        data = np.asarray(value, dtype=self.dtype).tobytes()
        return ctypes.create_string_buffer(data, len(data))

    def __repr__(self):
        return f"Type({self.name!r}, {self.kind.name}, {self.size} bytes)"


def _dtype(kind, size, unsigned):
    if kind == DataType.REAL or (kind == DataType.TIME and size == 8):
        return np.dtype(np.float64)
    if kind == DataType.FLOAT:
        return np.dtype(np.float32)
    if kind == DataType.COMPLEX:
        return np.dtype(np.complex128)
    if kind in (DataType.INTEGER, DataType.CHARACTER, DataType.ENUMERATION) and size in (1, 2, 4, 8):
        return np.dtype(f"{'u' if unsigned else 'i'}{size}")
    if kind == DataType.STRING:
        return None
    # Times held in 24 bytes and composite values: their stored bytes.
    return np.dtype(f"V{size}")


class Descriptor:
    """A dimension descriptor: the name, unit and type of an axis."""

    def __init__(self, handle):
        s = session()
        self.handle = handle
        self.name = _lib.text(call("ZEL_GetDimensionDescriptorName", s, handle))
        self.unit = _lib.text(call("ZEL_GetDimensionDescriptorUnit", s, handle))
        type_handle = call("ZEL_GetDimensionDescriptorType", s, handle)
        self.type = Type(type_handle) if type_handle else None

    @property
    def label(self):
        """"name [unit]", or the name alone without a unit."""
        return f"{self.name} [{self.unit}]" if self.unit else self.name

    def __repr__(self):
        return f"Descriptor({self.name!r}, {self.unit!r}, {self.type!r})"
