"""The C interface of libqo_zel through ctypes: finding and loading the
shared library, the handle structures, the prototypes of the functions the
package calls, and the one place where a failing status becomes an Error.

The library is looked up, first found wins:
  1. the path in the environment variable ZEL_LIBRARY;
  2. libqo_zel.so in a build directory of the checkout this package sits in
     (build/, build-release/);
  3. libqo_zel.so.8 as the dynamic loader finds it (an installed library).
"""
import ctypes
import ctypes.util
import enum
import os
import pathlib

SONAME = "libqo_zel.so.8"


class Status(enum.IntEnum):
    OK = 0
    BAD_HANDLE = 1
    BAD_ARG = 2
    BAD_ALLOC = 3
    DISK_IO = 4
    NOT_FOUND = 5
    DUPLICATE = 6
    FAILED = 7
    UNKNOWN_EXCEPTION = 8


class Error(Exception):
    """A failing library call: status is a Status, message the library's
    text ("<function>: <reason>")."""

    def __init__(self, status, message):
        super().__init__(f"{message} ({Status(status).name})")
        self.status = Status(status)
        self.message = message


class DataType(enum.IntEnum):
    CHARACTER = 0
    STRING = 1
    INTEGER = 2
    REAL = 3
    COMPLEX = 4
    TIME = 5
    ENUMERATION = 6
    ARRAY = 7
    RECORD = 8
    UNION = 9
    FLOAT = 10


class Interpolation(enum.IntEnum):
    NONE = 0
    CONSTANT = 1
    LINEAR = 2
    POLYNOMIAL = 3


# Constants of the header used here.
MODE_DISK = 1
IOMODE_READ = 0
HDL_SLASH = 1
STORAGE_ANALOG = 1
ITOR_INSERTION_ORDER = 0
ITOR_FORWARD = 0
ITOR_CHILDREN = 2
ITOR_ENTER_GROUPS_WAVEFORMS = 4
ITOR_ENTER_BLOCKS_WAVEFORMS = 5
NODE_KINDS = {0: "block", 1: "group", 2: "composite", 3: "scalar"}


class Handle(ctypes.Structure):
    """Every handle type of the header: one int key, -1 for null."""
    _fields_ = [("key", ctypes.c_int)]

    def __bool__(self):
        return self.key != -1

    def __eq__(self, other):
        return isinstance(other, Handle) and self.key == other.key

    def __hash__(self):
        return hash(self.key)


class VersionInfo(ctypes.Structure):
    """zel_versionInfo_t."""
    _fields_ = [("isBigEndian", ctypes.c_ubyte), ("softwareVersion", ctypes.c_uint),
                ("nextVersion", ctypes.c_int), ("versionCount", ctypes.c_uint),
                ("version", ctypes.c_int), ("stale", ctypes.c_ubyte),
                ("readerCount", ctypes.c_uint), ("readers", ctypes.POINTER(ctypes.c_int)),
                ("writerCount", ctypes.c_uint), ("writers", ctypes.POINTER(ctypes.c_int)),
                ("attachedCount", ctypes.c_uint), ("attached", ctypes.POINTER(ctypes.c_int))]


_P = ctypes.c_void_p
_U = ctypes.c_uint
_I = ctypes.c_int
_S = ctypes.c_char_p
_B = ctypes.c_ubyte
_PU = ctypes.POINTER(ctypes.c_uint)
_PH = ctypes.POINTER(Handle)
_PP = ctypes.POINTER(ctypes.c_void_p)
_PB = ctypes.POINTER(ctypes.c_ubyte)
_H = Handle

# name: (result, argument types without the trailing status pointer)
_PROTOTYPES = {
    "ZEL_InitSession": (_H, []),
    "ZEL_CreateContainer": (_H, [_H, _S, _I]),
    "ZEL_OpenContainer": (_H, [_H, _S, _I]),
    "ZEL_CloseContainer": (None, [_H, _H]),
    "ZEL_GetContainerName": (_S, [_H, _H]),
    "ZEL_GetContainerAttribute": (_S, [_H, _H, _S]),
    "ZEL_SetContainerAttribute": (None, [_H, _H, _S, _S]),
    "ZEL_GetContainerVersionInfo": (None, [_S, ctypes.POINTER(VersionInfo)]),
    "ZEL_CreateBuiltinType": (_H, [_H, _H, _S, _I]),
    "ZEL_CreateEnumerationType": (_H, [_H, _H, _S, _U, ctypes.POINTER(_S), _I, _I, _I]),
    "ZEL_GetTypeName": (_S, [_H, _H]),
    "ZEL_GetDataType": (_I, [_H, _H]),
    "ZEL_GetSizeOfType": (_U, [_H, _H]),
    "ZEL_IsTypeUnsigned": (_B, [_H, _H]),
    "ZEL_GetEnumerationLiteralCount": (_U, [_H, _H]),
    "ZEL_GetEnumerationLiteralByPosition": (_S, [_H, _H, _U]),
    "ZEL_GetEnumerationEncodingByPosition": (_I, [_H, _H, _U]),
    "ZEL_CreateDimensionDescriptor": (_H, [_H, _H, _S, _S, _H]),
    "ZEL_GetDimensionDescriptorName": (_S, [_H, _H]),
    "ZEL_GetDimensionDescriptorUnit": (_S, [_H, _H]),
    "ZEL_GetDimensionDescriptorType": (_H, [_H, _H]),
    "ZEL_CreateWaveformSet": (_H, [_H, _H, _S, _H, _U, _PH]),
    "ZEL_GetAllWaveformSets": (_PH, [_H, _H, _PU]),
    "ZEL_FindWaveformSet": (_H, [_H, _H, _S]),
    "ZEL_GetWaveformSetName": (_S, [_H, _H]),
    "ZEL_GetWaveformSetXDescriptor": (_H, [_H, _H]),
    "ZEL_GetWaveformSetParameterCount": (_U, [_H, _H]),
    "ZEL_GetWaveformSetParameter": (_H, [_H, _H, _U]),
    "ZEL_CreateParameter": (_H, [_H, _H, _S, _H]),
    "ZEL_GetParameterName": (_S, [_H, _H]),
    "ZEL_GetParameterDimensionDescriptor": (_H, [_H, _H]),
    "ZEL_GetParameterValueCount": (_U, [_H, _H]),
    "ZEL_AppendParameterValues": (None, [_H, _H, _U, _P, _P]),
    "ZEL_GetSegmentCount": (_U, [_H, _H]),
    "ZEL_GetSegment": (_H, [_H, _H, _U]),
    "ZEL_CreateSegment": (_H, [_H, _H, _U, _PU]),
    "ZEL_GetSegmentIndex": (_U, [_H, _H]),
    "ZEL_GetSegmentParameterValueIndex": (_U, [_H, _H, _U]),
    "ZEL_GetSegmentParameterValue": (None, [_H, _H, _U, _P, _P]),
    "ZEL_CommitWaveformData": (None, [_H, _H, _U]),
    "ZEL_GetNameHierarchyRootNode": (_H, [_H, _H]),
    "ZEL_AddHierarchyScalarWf": (_H, [_H, _H, _S, _I, _H]),
    "ZEL_GetHierarchyNodes": (_PH, [_H, _H, _S, _I, _PU]),
    "ZEL_GetHierarchyNodeName": (_S, [_H, _H]),
    "ZEL_GetHierarchyNodeFullName": (_P, [_H, _H, _I]),
    "ZEL_GetHierarchyNodeType": (_I, [_H, _H]),
    "ZEL_HierarchyNodeHasWaveform": (_B, [_H, _H]),
    "ZEL_GetHierarchyWaveform": (_H, [_H, _H]),
    "ZEL_CreateNodeIterator": (_H, [_H, _H, _I, _I, _I, _I]),
    "ZEL_DeleteNodeIterator": (None, [_H, _H]),
    "ZEL_GetFirstNode": (_H, [_H, _H]),
    "ZEL_GetNextNode": (_H, [_H, _H]),
    "ZEL_CreateWaveform": (_H, [_H, _H, _I, _H]),
    "ZEL_GetWaveformYDescriptor": (_H, [_H, _H]),
    "ZEL_GetWaveformXDescriptor": (_H, [_H, _H]),
    "ZEL_GetWaveformYType": (_H, [_H, _H]),
    "ZEL_GetWaveformXType": (_H, [_H, _H]),
    "ZEL_ExistWfSegment": (_B, [_H, _H, _H]),
    "ZEL_CreateWriter": (_H, [_H, _H, _U, _I]),
    "ZEL_DeleteWriter": (None, [_H, _H]),
    "ZEL_AddWriterWaveform": (_P, [_H, _H, _H]),
    "ZEL_InitializeArrayWriting": (None, [_H, _H]),
    "ZEL_AppendXArray": (None, [_H, _H, _U, _P]),
    "ZEL_TerminateWriting": (None, [_H, _H]),
    "ZEL_WfDataWriterAppendArrays": (None, [_P, _U, _P, _P, _P]),
    "ZEL_WfDataWriterSetInterpolationType": (None, [_P, _I]),
    "ZEL_CreateView": (_H, [_H]),
    "ZEL_DeleteView": (None, [_H, _H]),
    "ZEL_CreateReader": (_H, [_H, _H, _H]),
    "ZEL_DeleteReader": (None, [_H, _H]),
    "ZEL_AddReaderWaveform": (_H, [_H, _H, _H]),
    "ZEL_StartReadingSegment": (None, [_H, _H, _H]),
    "ZEL_EndReading": (None, [_H, _H]),
    "ZEL_GetWaveformDataWfSegment": (_P, [_H, _H]),
    "ZEL_GetWfSegmentLegPointCount": (_U, [_P, _U]),
    "ZEL_SetupGetWfSegmentBuffer": (_U, [_P, _U, _U]),
    "ZEL_GetWfSegmentXBuffer": (_P, [_P]),
    "ZEL_GetWfSegmentYBuffer": (_P, [_P]),
    "ZEL_GetWfSegmentYInterpolationType": (_I, [_P]),
    "ZEL_GetWfSegmentValueByX": (None, [_P, _U, _U, _P, _B, _B, _PU, _PU, _PU, _PB, _PB, _P, _P]),
}


def _candidates():
    env = os.environ.get("ZEL_LIBRARY")
    if env:
        yield env
        return
    checkout = pathlib.Path(__file__).resolve().parent.parent.parent
    for build in ("build", "build-release"):
        path = checkout / build / "libqo_zel.so"
        if path.exists():
            yield str(path)
    yield SONAME
    found = ctypes.util.find_library("qo_zel")
    if found:
        yield found


def _load():
    tried = []
    for candidate in _candidates():
        try:
            return ctypes.CDLL(candidate), candidate
        except OSError as error:
            tried.append(f"{candidate}: {error}")
    raise ImportError("libqo_zel not found (set ZEL_LIBRARY to the path of libqo_zel.so); tried: "
                      + "; ".join(tried))


lib, path = _load()
# The free of the process (the one the library's malloc pairs with, also when
# a sanitizer replaces both), not necessarily libc's own.
_libc = ctypes.CDLL(None)
_libc.free.argtypes = [ctypes.c_void_p]
_libc.free.restype = None
lib.ZEL_GetError.restype = ctypes.c_char_p
lib.ZEL_GetError.argtypes = []

for _name, (_result, _arguments) in _PROTOTYPES.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments + [ctypes.POINTER(ctypes.c_int)]


def call(name, *arguments):
    """Calls ZEL_<name> with a status pointer last; a failure raises Error
    with the status and the library's message."""
    status = ctypes.c_int(0)
    result = getattr(lib, name)(*arguments, ctypes.byref(status))
    if status.value != Status.OK:
        raise Error(status.value, lib.ZEL_GetError().decode("utf-8", "replace"))
    return result


def text(value):
    return value.decode("utf-8", "replace") if value is not None else None


def taken_text(address):
    """A malloc'd text handed over by the library: copied, then freed."""
    if not address:
        return None
    try:
        return ctypes.string_at(address).decode("utf-8", "replace")
    finally:
        _libc.free(address)


def taken_handles(pointer, count):
    """A malloc'd array of handles handed over by the library: copied, then
    freed."""
    if not pointer:
        return []
    try:
        return [Handle(pointer[i].key) for i in range(count)]
    finally:
        _libc.free(ctypes.cast(pointer, ctypes.c_void_p))


def version_info(name):
    """The container's version table: the newest version's number and the
    process ids reading, writing and attached to it."""
    info = VersionInfo()
    call("ZEL_GetContainerVersionInfo", encode(str(name)), ctypes.byref(info))
    result = {"software_version": info.softwareVersion, "version": info.version, "stale": bool(info.stale)}
    for field, count in (("readers", info.readerCount), ("writers", info.writerCount),
                         ("attached", info.attachedCount)):
        pointer = getattr(info, field)
        result[field] = [pointer[i] for i in range(count)]
        if pointer:
            _libc.free(ctypes.cast(pointer, ctypes.c_void_p))
    return result


def encode(value):
    return value.encode("utf-8") if value is not None else None
