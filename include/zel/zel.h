#ifndef ZEL_ZEL_H
#define ZEL_ZEL_H

/*
 * zel.h - the public interface of libqo_zel, a waveform database library.
 *
 * Rules of the boundary, which hold for every function below:
 *
 *  1. Handles are small structures passed by value that hold one signed
 *     32-bit key. The key -1 is the null handle of every type; the library
 *     exports one constant null handle per type (ZEL_NullSession, ...).
 *  2. Every function that can fail takes a zel_status_t* as its last
 *     argument and stores ZEL_OK or the failure status there. The status
 *     pointer may be null: nothing is stored then, and a failure's message
 *     is still kept for ZEL_GetError().
 *  3. A failing call returns the null handle, a null pointer or 0 (for an
 *     enumeration, its value 0) and changes no handle it was given. ZEL_GetError()
 *     then returns "<function name>: <reason>", cut at 129 characters.
 *  4. zel_bool_t is 0 for false and 1 for true.
 *  5. Lists and arrays returned together with a count (an out-parameter,
 *     or a count field beside them) are allocated with malloc and freed by
 *     the caller with free; the texts such a list points to stay owned by
 *     the library. The one list with a count that stays the library's is
 *     that of ZEL_GetAccumulatedErrors. Values a function copies out of
 *     the library into caller memory are copies: a string value there is a
 *     malloc'd text the caller frees.
 *     A few functions return malloc'd texts or arrays without a count (full
 *     names, the enumeration literal table). Every declaration that hands
 *     the caller memory to free says so; all other strings and buffers
 *     returned stay owned by the library, and each declaration says how
 *     long they stay valid.
 *  6. A null pointer where an array (with a count above 0) or an
 *     out-parameter is expected gives ZEL_BAD_ARG, unless the declaration
 *     says it may be null. Objects combined in one call must belong to the
 *     same container, otherwise ZEL_BAD_ARG, unless the declaration allows
 *     objects of any open container.
 *  7. Enumerations with *_INT_RANGE_ and *_INT_MIN_ members have the range
 *     of int, so any int value, negative ones included, can be passed. Most functions refuse a value outside
 *     the listed ones with ZEL_BAD_ARG; a few give such values a meaning
 *     (any zel_mode_t but ZEL_MODE_DISK keeps a container in memory, any
 *     storage mode but ZEL_STORAGE_ANALOG makes a digital simulation result
 *     subset, any non-zero iterator order or direction is sorted or
 *     backward).
 *  8. Exported functions never throw: no exception ever leaves the
 *     library. The library starts no threads and takes no thread locks:
 *     use it from one thread at a time. (Between processes, a process that
 *     changes a container's version table holds a file lock on it while it
 *     does.)
 *
 * Simulators link the library to write their results into a container on
 * disk; waveform viewers and post-processing tools link it to read them
 * back. This header compiles as C99 and as C++17 and is the only header a
 * caller needs.
 */

#if defined(ZEL_BUILDING_LIBRARY)
#define ZEL_API __attribute__((visibility("default")))
#else
#define ZEL_API
#endif

#include <stdint.h>

#ifdef __cplusplus
#define ZEL_NOTHROW noexcept
extern "C" {
#else
#define ZEL_NOTHROW
#endif

/* ====== Sessions and errors =========================================== */

/* ------ Statuses, booleans and handles -------------------------------- */

typedef enum zel_status_e {
  ZEL_OK = 0,
  ZEL_BAD_HANDLE = 1,        /* a handle could not be converted */
  ZEL_BAD_ARG = 2,           /* an argument is invalid */
  ZEL_BAD_ALLOC = 3,         /* memory is exhausted */
  ZEL_DISK_IO = 4,           /* an operating-system file operation failed */
  ZEL_NOT_FOUND = 5,         /* a named object or registration does not exist */
  ZEL_DUPLICATE = 6,         /* the object or registration exists already */
  ZEL_FAILED = 7,            /* failed for the reason the message gives */
  ZEL_UNKNOWN_EXCEPTION = 8  /* an unexpected internal failure */
} zel_status_t;

/* The library's boolean: 0 false, 1 true; stored in one byte. */
typedef unsigned char zel_bool_t;

/* Handles: one signed 32-bit key each; -1 is null. */
typedef struct zel_session_s { int key; } zel_session_t;
typedef struct zel_container_s { int key; } zel_container_t;
typedef struct zel_view_s { int key; } zel_view_t;
typedef struct zel_type_s { int key; } zel_type_t;
typedef struct zel_dimensionDescriptor_s { int key; } zel_dimensionDescriptor_t;
typedef struct zel_parameter_s { int key; } zel_parameter_t;
typedef struct zel_hierarchyNode_s { int key; } zel_hierarchyNode_t;
typedef struct zel_nodeIterator_s { int key; } zel_nodeIterator_t;
typedef struct zel_waveformSet_s { int key; } zel_waveformSet_t;
typedef struct zel_segment_s { int key; } zel_segment_t;
typedef struct zel_waveform_s { int key; } zel_waveform_t;
typedef struct zel_simResultWriter_s { int key; } zel_simResultWriter_t;
typedef struct zel_simResultSubset_s { int key; } zel_simResultSubset_t;
typedef struct zel_writer_s { int key; } zel_writer_t;
typedef struct zel_wfDataView_s { int key; } zel_wfDataView_t;
typedef struct zel_reader_s { int key; } zel_reader_t;
typedef struct zel_wfDataReader_s { int key; } zel_wfDataReader_t;

/* The null handles (key -1). There is none for zel_wfDataReader_t. */
ZEL_API extern const zel_session_t ZEL_NullSession;
ZEL_API extern const zel_container_t ZEL_NullContainer;
ZEL_API extern const zel_view_t ZEL_NullView;
ZEL_API extern const zel_type_t ZEL_NullType;
ZEL_API extern const zel_dimensionDescriptor_t ZEL_NullDimensionDescriptor;
ZEL_API extern const zel_parameter_t ZEL_NullParameter;
ZEL_API extern const zel_hierarchyNode_t ZEL_NullHierarchyNode;
ZEL_API extern const zel_nodeIterator_t ZEL_NullNodeIterator;
ZEL_API extern const zel_waveformSet_t ZEL_NullWaveformSet;
ZEL_API extern const zel_segment_t ZEL_NullSegment;
ZEL_API extern const zel_waveform_t ZEL_NullWaveform;
ZEL_API extern const zel_simResultWriter_t ZEL_NullSimResultWriter;
ZEL_API extern const zel_simResultSubset_t ZEL_NullSimResultSubset;
ZEL_API extern const zel_writer_t ZEL_NullWriter;
ZEL_API extern const zel_wfDataView_t ZEL_NullWfDataView;
ZEL_API extern const zel_reader_t ZEL_NullReader;

/* ------ Sessions, callbacks, handle checks and version queries -------- */

/* A session termination callback: called once by ZEL_TermSession. */
typedef void (*zel_termCallback_t)(void);

/* Starts a session. Its key may be given again to a later session once this
 * one has ended. */
ZEL_API zel_session_t ZEL_InitSession(zel_status_t* status) ZEL_NOTHROW;

/* Calls the session's termination callbacks (ascending function address),
 * detaches its attached containers, closes its other containers, releases
 * its remaining views and ends the session. A callback that throws (C++)
 * ends the call with ZEL_UNKNOWN_EXCEPTION "Unknown exception caught in
 * ZEL_TermSession"; the session then stays as it was, containers open. */
ZEL_API void ZEL_TermSession(zel_session_t session, zel_status_t* status) ZEL_NOTHROW;

/* A callback registered twice gives ZEL_DUPLICATE; unregistering one that
 * is not registered gives ZEL_NOT_FOUND. */
ZEL_API void ZEL_RegisterTermCallback(zel_session_t session, zel_termCallback_t callback,
                                      zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_UnregisterTermCallback(zel_session_t session, zel_termCallback_t callback,
                                        zel_status_t* status) ZEL_NOTHROW;

/* The handle-verification flag is kept and reported; handles are always
 * verified whatever its value. */
ZEL_API void ZEL_SetHandleVerification(zel_bool_t verify) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_GetHandleVerification(void) ZEL_NOTHROW;

/* The software version written into containers (8). */
ZEL_API unsigned ZEL_GetSoftwareVersion(void) ZEL_NOTHROW;
/* ".qo_zel", the extension of a container's reference file. Static text. */
ZEL_API const char* ZEL_GetFilenameExt(void) ZEL_NOTHROW;
/* "_zel", the suffix of a container's directory. Static text. */
ZEL_API const char* ZEL_GetDirectoryNameSuffix(void) ZEL_NOTHROW;

/* True exactly when the handle's key is -1. */
ZEL_API zel_bool_t ZEL_IsSessionNull(zel_session_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsContainerNull(zel_container_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsViewNull(zel_view_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeNull(zel_type_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsDimensionDescriptorNull(zel_dimensionDescriptor_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsParameterNull(zel_parameter_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsHierarchyNodeNull(zel_hierarchyNode_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsNodeIteratorNull(zel_nodeIterator_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsWaveformSetNull(zel_waveformSet_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsSegmentNull(zel_segment_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsWaveformNull(zel_waveform_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsSimResultWriterNull(zel_simResultWriter_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsSimResultSubsetNull(zel_simResultSubset_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsWriterNull(zel_writer_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsWfDataViewNull(zel_wfDataView_t h) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsReaderNull(zel_reader_t h) ZEL_NOTHROW;

/* True exactly when the two keys are equal; nothing is looked up, so
 * handles of different sessions may compare equal. */
ZEL_API zel_bool_t ZEL_AreSameSession(zel_session_t a, zel_session_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameContainer(zel_container_t a, zel_container_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameView(zel_view_t a, zel_view_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameType(zel_type_t a, zel_type_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameDimensionDescriptor(zel_dimensionDescriptor_t a,
                                                  zel_dimensionDescriptor_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameParameter(zel_parameter_t a, zel_parameter_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameHierarchyNode(zel_hierarchyNode_t a,
                                            zel_hierarchyNode_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameNodeIterator(zel_nodeIterator_t a,
                                           zel_nodeIterator_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameWaveformSet(zel_waveformSet_t a, zel_waveformSet_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameSegment(zel_segment_t a, zel_segment_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameWaveform(zel_waveform_t a, zel_waveform_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameSimResultWriter(zel_simResultWriter_t a,
                                              zel_simResultWriter_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameSimResultSubset(zel_simResultSubset_t a,
                                              zel_simResultSubset_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameWriter(zel_writer_t a, zel_writer_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameWfDataView(zel_wfDataView_t a, zel_wfDataView_t b) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_AreSameReader(zel_reader_t a, zel_reader_t b) ZEL_NOTHROW;

/* ------ Errors -------------------------------------------------------- */

/* The message of the most recent failing call, "<function>: <reason>", at
 * most 129 characters; "" when none. Owned by the library; valid until the
 * next failing call or ZEL_GetAccumulatedErrors. */
ZEL_API const char* ZEL_GetError(void) ZEL_NOTHROW;

/* With collecting on, every failure's message is kept in a list, oldest
 * first, which ZEL_GetAccumulatedErrors returns and then marks stale. */
ZEL_API void ZEL_SetErrorCollecting(zel_bool_t collect) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_GetErrorCollecting(void) ZEL_NOTHROW;

/* Returns the collected messages (the current one included) and their count,
 * or null with count 0; empties the current message. The array and its
 * strings are owned by the library and stay valid until the next failure is
 * collected or the next call of this function. */
ZEL_API const char* const* ZEL_GetAccumulatedErrors(unsigned* count,
                                                    zel_status_t* status) ZEL_NOTHROW;

/* ====== Containers ==================================================== */

/* Opening mode of containers, memory files and arrays. */
typedef enum zel_iomode_e {
  ZEL_IOMODE_READ = 0,
  ZEL_IOMODE_WRITE = 1,
  /* Containers only: open for writing without loading existing data stores. */
  ZEL_IOMODE_WRITE_STRUCTURE = 2,
  ZEL_IOMODE_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_IOMODE_INT_MIN_ = -0x7fffffff - 1
} zel_iomode_t;

/* Storage mode of a created container: on disk, or in memory only (no
 * files; closing writes nothing). Any value other than ZEL_MODE_DISK keeps
 * the container in memory. */
typedef enum zel_mode_e {
  ZEL_MODE_MEMORY = 0,
  ZEL_MODE_DISK = 1,
  ZEL_MODE_INT_RANGE_ = 0x7fffffff, /* any int may be passed */
  ZEL_MODE_INT_MIN_ = -0x7fffffff - 1
} zel_mode_t;

/*
 * A container is named by a path, its full name; the caller may also give
 * the full name followed by ".qo_zel" (the reference file) or "_zel" (the
 * directory). Several processes may use one container: one writer of the
 * newest version, any number of readers, and processes attached to the
 * writer. Opening for writing fails while another process reads or writes
 * the newest version; opening for reading is allowed beside a writer and
 * sees what the writer last committed.
 */

/* Creates the container (or a new version of an existing one) opened for
 * writing. ZEL_MODE_DISK makes files; any other mode keeps it in memory. */
ZEL_API zel_container_t ZEL_CreateContainer(zel_session_t session, const char* name, zel_mode_t mode,
                                            zel_status_t* status) ZEL_NOTHROW;
/* The same, clearing a writer left registered by a dead process and any
 * stale lock file, and recreating a container with an incompatible table. */
ZEL_API zel_container_t ZEL_ForceCreateContainer(zel_session_t session, const char* name, zel_mode_t mode,
                                                 zel_status_t* status) ZEL_NOTHROW;
/* Opens the newest version (mode: reading, writing, or writing without
 * loading the data stores). A container with a password is refused. */
ZEL_API zel_container_t ZEL_OpenContainer(zel_session_t session, const char* name, zel_iomode_t mode,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Opens with candidate passwords; one must equal the container's. */
ZEL_API zel_container_t ZEL_OpenContainerWithPassword(zel_session_t session, const char* name,
                                                      zel_iomode_t mode, unsigned count, const char** passwords,
                                                      zel_status_t* status) ZEL_NOTHROW;
/* Joins the process that writes the newest version. */
ZEL_API zel_container_t ZEL_AttachContainer(zel_session_t session, const char* name,
                                            zel_status_t* status) ZEL_NOTHROW;
/* Writes what is modified and ends the attachment. */
ZEL_API void ZEL_DetachContainer(zel_session_t session, zel_container_t container,
                                 zel_status_t* status) ZEL_NOTHROW;
/* Shuts down open writers, writes what is modified (durably, as a commit
 * does) and closes. When the
 * version table refuses (attached processes remain) the container stays
 * open. Every handle of the container's objects becomes invalid. */
ZEL_API void ZEL_CloseContainer(zel_session_t session, zel_container_t container,
                                zel_status_t* status) ZEL_NOTHROW;
/* Writes the structure file now when it was modified (disk containers open
 * for writing; otherwise nothing). */
ZEL_API void ZEL_CommitContainerStructure(zel_session_t session, zel_container_t container,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Deletes the container; its files stay until its last reader closes.
 * Readers that died without closing do not count. A version directory that
 * cannot be removed: ZEL_FAILED "The container <name> could not be deleted:
 * <directory>: <reason>" (the container stays; a later delete retries). */
ZEL_API void ZEL_DeleteContainer(const char* name, zel_status_t* status) ZEL_NOTHROW;
/* False when neither the directory nor the reference file exists; a partial
 * container is ZEL_FAILED. */
ZEL_API zel_bool_t ZEL_ContainerExists(const char* name, zel_status_t* status) ZEL_NOTHROW;
/* The software version that created the container. */
ZEL_API unsigned ZEL_GetContainerSoftwareVersion(const char* name, zel_status_t* status) ZEL_NOTHROW;

/* A container's version table as ZEL_GetContainerVersionInfo found it: the
 * table's own fields and the processes registered in its newest version.
 * Process ids are the operating system's; a reader or attached process that
 * died without closing the container stays listed until the table is next
 * updated (an open, close, create or delete of the container by any
 * process), which drops it when the container lies on a local file system. */
typedef struct zel_versionInfo_s {
  zel_bool_t isBigEndian;   /* byte order of the machine that created the container */
  unsigned softwareVersion; /* of the library that created it: 8, below for older tables */
  int nextVersion;          /* the number the next version will get */
  unsigned versionCount;    /* versions in the table, stale ones included */
  int version;              /* the newest version's number; -1 when versionCount is 0 */
  zel_bool_t stale;         /* the newest version is stale: the container was deleted
                               and stays only until its readers leave */
  unsigned readerCount;     /* processes reading the newest version */
  int* readers;
  unsigned writerCount;     /* the process writing it: 0 or 1 */
  int* writers;
  unsigned attachedCount;   /* processes attached to its writer */
  int* attached;
} zel_versionInfo_t;

/* Reads the version table of the container named name (full name,
 * reference file or directory name) and fills *info. readers, writers and
 * attached are each allocated with malloc and freed by the caller with
 * free (null when their count is 0). The table is read as it stands,
 * without its lock: it is only ever replaced whole, so the read sees one
 * complete table, and this process is not registered in it. A missing
 * container (a memory container has no files) gives ZEL_NOT_FOUND; a
 * damaged table gives ZEL_FAILED with the reason ("End of file" for counts
 * or lengths the file does not hold); a null info gives ZEL_BAD_ARG. On
 * failure *info is left unchanged and nothing is allocated. */
ZEL_API void ZEL_GetContainerVersionInfo(const char* name, zel_versionInfo_t* info,
                                         zel_status_t* status) ZEL_NOTHROW;
/* True while no newer version of the container has been created. */
ZEL_API zel_bool_t ZEL_IsContainerLatestVersion(zel_session_t session, zel_container_t container,
                                                zel_status_t* status) ZEL_NOTHROW;
/* time (in/out) is a file modification time in nanoseconds since the
 * epoch; 0 means the reference file's time. True when no segment data file
 * is newer than time; time is set to the time compared against. */
ZEL_API zel_bool_t ZEL_IsSegDataLatest(zel_session_t session, zel_container_t container, int64_t* time,
                                       zel_status_t* status) ZEL_NOTHROW;
/* Names: owned by the container, valid until it is closed; "" when unset. */
ZEL_API const char* ZEL_GetContainerName(zel_session_t session, zel_container_t container,
                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetContainerPath(zel_session_t session, zel_container_t container,
                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetContainerFilename(zel_session_t session, zel_container_t container,
                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetContainerDirectoryName(zel_session_t session, zel_container_t container,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* The value (owned by the container, valid until it is changed or the
 * container closed) or null when absent. */
ZEL_API const char* ZEL_GetContainerAttribute(zel_session_t session, zel_container_t container,
                                              const char* name, zel_status_t* status) ZEL_NOTHROW;
/* Array of names allocated with malloc (free it); the names stay owned by
 * the container. Null with count 0 when there are none. */
ZEL_API const char** ZEL_GetContainerAttributeNames(zel_session_t session, zel_container_t container,
                                                    unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Creates or replaces; a null value stores "". */
ZEL_API void ZEL_SetContainerAttribute(zel_session_t session, zel_container_t container, const char* name,
                                       const char* value, zel_status_t* status) ZEL_NOTHROW;
/* Once per open container; stored with the structure. */
ZEL_API void ZEL_SetContainerPassword(zel_session_t session, zel_container_t container, const char* password,
                                      zel_status_t* status) ZEL_NOTHROW;

/* ====== Types ========================================================= */

/* Data-type code of a type. */
typedef enum zel_dataType_e {
  ZEL_CHARACTER = 0,   /* one byte, code 0 to 255 */
  ZEL_STRING = 1,      /* a pointer to a malloc'd NUL-terminated text (or null) */
  ZEL_INTEGER = 2,     /* signed 32-bit */
  ZEL_REAL = 3,        /* IEEE double */
  ZEL_COMPLEX = 4,     /* two IEEE doubles: real part, imaginary part */
  ZEL_TIME = 5,        /* a 24-byte simulation time (ticks of 1 fs and a fraction; see
                          "Time values" below) */
  ZEL_ENUMERATION = 6, /* the literal's encoding in the stored width of the range */
  ZEL_ARRAY = 7,
  ZEL_RECORD = 8,
  ZEL_UNION = 9,
  ZEL_FLOAT = 10,      /* IEEE single */
  ZEL_DATATYPE_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_DATATYPE_INT_MIN_ = -0x7fffffff - 1
} zel_dataType_t;

/* Direction of a discrete range. */
typedef enum zel_rangeDirection_e {
  ZEL_RANGE_ASCENDING = 0, /* left to right, step +1 */
  ZEL_RANGE_DESCENDING = 1, /* left downto right, step -1 (any non-zero value given) */
  ZEL_RANGE_INT_RANGE_ = 0x7fffffff,
  ZEL_RANGE_INT_MIN_ = -0x7fffffff - 1
} zel_rangeDirection_t;

/* A discrete range: over the values of a discrete type, from left to right
 * in the direction. Array constraints are given and returned this way. */
typedef struct zel_range_s {
  zel_type_t type;
  int left;
  int right;
  zel_rangeDirection_t direction;
} zel_range_t;

/* Operations on typed values: unary 0 to 32, binary 33 to 51, 52 converts
 * between types. */
typedef enum zel_operation_e {
  ZEL_OP_IDENTITY = 0,
  ZEL_OP_ABS = 1,
  ZEL_OP_ACOS = 2,
  ZEL_OP_ASIN = 3,
  ZEL_OP_ATAN = 4,
  ZEL_OP_NEGATE = 5,
  ZEL_OP_CONJUGATE = 6,
  ZEL_OP_COS = 7,
  ZEL_OP_COSH = 8,
  ZEL_OP_DB20 = 9,
  ZEL_OP_DB10 = 10,
  ZEL_OP_DB20_MILLI = 11,
  ZEL_OP_DB10_MILLI = 12,
  ZEL_OP_DB20_MICRO = 13,
  ZEL_OP_DB10_MICRO = 14,
  ZEL_OP_EXP = 15,
  ZEL_OP_IMAG = 16,
  ZEL_OP_LOG = 17,
  ZEL_OP_LOG10 = 18,
  ZEL_OP_NOT = 19,
  ZEL_OP_PHASE = 20,
  ZEL_OP_PHASE_DEGREES = 21,
  ZEL_OP_REAL = 22,
  ZEL_OP_SIN = 23,
  ZEL_OP_SINH = 24,
  ZEL_OP_SQRT = 25,
  ZEL_OP_TAN = 26,
  ZEL_OP_TANH = 27,
  ZEL_OP_CONTINUOUS_PHASE = 28,
  ZEL_OP_CONTINUOUS_PHASE_DEGREES = 29,
  ZEL_OP_DERIVATIVE = 30,
  ZEL_OP_INTEGRAL = 31,
  ZEL_OP_INTEGRAL_TRAPEZOID = 32,
  ZEL_OP_ADD = 33,
  ZEL_OP_BINARY_34 = 34,
  ZEL_OP_MAKE_COMPLEX = 35,
  ZEL_OP_DIVIDE = 36,
  ZEL_OP_EQUAL = 37,
  ZEL_OP_EQUALITY_38 = 38,
  ZEL_OP_EQUALITY_39 = 39,
  ZEL_OP_EQUALITY_40 = 40,
  ZEL_OP_GREATER = 41,
  ZEL_OP_GREATER_EQUAL = 42,
  ZEL_OP_LESS = 43,
  ZEL_OP_LESS_EQUAL = 44,
  ZEL_OP_MULTIPLY = 45,
  ZEL_OP_BINARY_46 = 46,
  ZEL_OP_POLAR = 47,
  ZEL_OP_POWER = 48,
  ZEL_OP_SUBTRACT = 49,
  ZEL_OP_BINARY_50 = 50,
  ZEL_OP_XY = 51,
  ZEL_OP_CONVERT_TYPE = 52,
  ZEL_OPERATION_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_OPERATION_INT_MIN_ = -0x7fffffff - 1
} zel_operation_t;

/* How a value becomes text. Scalar types accept every form (strings: the
 * natural one). Records and unions have no text. An array whose element
 * type is an enumeration (a logic vector) has the natural form and the
 * byte forms: its natural text lists the elements' literals in location
 * order, that is from the left index of its declared range (a vector
 * declared 3 downto 0 holding 0, 1, x, z at indices 3, 2, 1, 0 reads
 * "01xz"), run together when every literal of the enumeration is one
 * character, else as "(lo,hi,...)"; its byte forms show the packed record.
 * Other arrays have no text. */
typedef enum zel_conversion_e {
  ZEL_CONVERT_DEFAULT = 0,  /* natural form */
  ZEL_CONVERT_BITS = 1,     /* bytes as binary digits, highest address first */
  ZEL_CONVERT_OCTAL = 2,    /* bytes as octal digits */
  ZEL_CONVERT_HEX = 3,      /* bytes as hexadecimal digits */
  ZEL_CONVERT_INTEGER = 4,  /* decimal integer */
  ZEL_CONVERT_REAL = 5,     /* decimal floating number */
  ZEL_CONVERT_FUNCTION = 6, /* by a caller's function (views only) */
  ZEL_CONVERT_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_CONVERT_INT_MIN_ = -0x7fffffff - 1
} zel_conversion_t;

/* Values of a type are untyped memory laid out by the type: see
 * zel_dataType_t. Composite values (arrays, records) are packed records of
 * ZEL_GetSizeOfType bytes. Type handles returned below stay valid while the
 * type's container is open. Functions that expect a discrete type fail with
 * ZEL_BAD_ARG "The type is not a discrete ordered type" for any other. */

/* Creates a builtin type (ZEL_CHARACTER, ZEL_STRING, ZEL_INTEGER, ZEL_REAL,
 * ZEL_COMPLEX, ZEL_TIME or ZEL_FLOAT) named name in the container; any other
 * code gives ZEL_BAD_ARG "Not a builtin datatype.". */
ZEL_API zel_type_t ZEL_CreateBuiltinType(zel_session_t session, zel_container_t container, const char* name,
                                         zel_dataType_t dataType, zel_status_t* status) ZEL_NOTHROW;

/* The container's non-internal types named exactly name, in creation order;
 * the array is malloc'd (caller frees), null when count is 0. */
ZEL_API zel_type_t* ZEL_FindTypes(zel_session_t session, zel_container_t container, const char* name,
                                  unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Every non-internal type of the container; array as ZEL_FindTypes
 * (malloc'd, the caller frees it; null when count is 0). */
ZEL_API zel_type_t* ZEL_GetAllTypes(zel_session_t session, zel_container_t container, unsigned* count,
                                    zel_status_t* status) ZEL_NOTHROW;
/* The container's first type equal to type (which may belong to any open
 * container); none: ZEL_NOT_FOUND "Type not found". */
ZEL_API zel_type_t ZEL_FindTypeByType(zel_session_t session, zel_container_t container, zel_type_t type,
                                      zel_status_t* status) ZEL_NOTHROW;
/* Copies type (of any open container) into the container, with the types it
 * refers to found or copied there; returns the copy. */
ZEL_API zel_type_t ZEL_CopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                zel_status_t* status) ZEL_NOTHROW;
/* ZEL_FindTypeByType when it finds one, else ZEL_CopyType. */
ZEL_API zel_type_t ZEL_FindOrCopyType(zel_session_t session, zel_container_t container, zel_type_t type,
                                      zel_status_t* status) ZEL_NOTHROW;
/* True when the two types (of any open containers) are equal by value. */
ZEL_API zel_bool_t ZEL_AreEqualTypes(zel_session_t session, zel_type_t a, zel_type_t b,
                                     zel_status_t* status) ZEL_NOTHROW;

/* The name given at creation; owned by the type. */
ZEL_API const char* ZEL_GetTypeName(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataType_t ZEL_GetDataType(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* Bytes per value in an unpacked buffer. */
ZEL_API unsigned ZEL_GetSizeOfType(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* Bits per value in a packed record. */
ZEL_API unsigned ZEL_GetPackedSizeOfType(zel_session_t session, zel_type_t type,
                                         zel_status_t* status) ZEL_NOTHROW;
/* The base type of a discrete subtype; the type itself otherwise. */
ZEL_API zel_type_t ZEL_GetBaseType(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* Number of scalar leaves of a value (1 for a scalar type). */
ZEL_API unsigned ZEL_GetScalarCount(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* Smallest and largest value of a discrete type's range. */
ZEL_API void ZEL_GetTypeMinMax(zel_session_t session, zel_type_t type, int* min, int* max,
                               zel_status_t* status) ZEL_NOTHROW;
ZEL_API int ZEL_GetTypeLeftLimit(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API int ZEL_GetTypeRightLimit(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_rangeDirection_t ZEL_GetTypeDirection(zel_session_t session, zel_type_t type,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Fills range with the discrete type's range (its type is the type itself
 * for a base type, the type it was derived from for a subtype). */
ZEL_API void ZEL_GetTypeRange(zel_session_t session, zel_type_t type, zel_range_t* range,
                              zel_status_t* status) ZEL_NOTHROW;
/* True when count values at a and b are equal (float, count 1: within a
 * relative 2^-22; strings by text; others byte for byte). */
ZEL_API zel_bool_t ZEL_AreEqualData(zel_session_t session, zel_type_t type, const void* a, const void* b,
                                    unsigned count, zel_status_t* status) ZEL_NOTHROW;
/* Packs count records into destination (count * size bytes): sources has one
 * pointer per scalar leaf (ZEL_GetScalarCount), each to count unpacked values
 * of that leaf's type; a null source skips its leaf. A scalar type's packed
 * record is its value. */
ZEL_API void ZEL_PackTypeData(zel_session_t session, zel_type_t type, void** sources, unsigned count,
                              void* destination, zel_status_t* status) ZEL_NOTHROW;
/* The reverse of ZEL_PackTypeData; sub-byte fields of signed ranges are
 * sign-extended into their byte. */
ZEL_API void ZEL_UnpackTypeData(zel_session_t session, zel_type_t type, const void* source, unsigned count,
                                void** destinations, zel_status_t* status) ZEL_NOTHROW;

/* Type predicates. */
ZEL_API zel_bool_t ZEL_IsTypeOrdered(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeDiscrete(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* Discrete with a range of non-negative values. */
ZEL_API zel_bool_t ZEL_IsTypeUnsigned(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeScalar(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeComposite(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeBuiltin(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeUserDefined(zel_session_t session, zel_type_t type,
                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeBaseType(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeSubtype(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeCharacter(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeString(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeInteger(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeFloat(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeReal(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeComplex(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeTime(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeEnumeration(zel_session_t session, zel_type_t type,
                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeRecord(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeArray(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_bool_t ZEL_IsTypeUnion(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;

/* ------ Enumerations, discrete subtypes and composite types ----------- */

/* A new enumeration whose literals (copied; null gives "") have the
 * encodings left, left +- 1, ... right; count must equal the range's value
 * count, else ZEL_BAD_ARG "Incorrect enumeration literal count.". */
ZEL_API zel_type_t ZEL_CreateEnumerationType(zel_session_t session, zel_container_t container, const char* name,
                                             unsigned count, const char** literals, int left, int right,
                                             zel_rangeDirection_t direction, zel_status_t* status) ZEL_NOTHROW;
/* A subtype of a character, integer or enumeration type over left .. right
 * (within the base's range), added to the base's container. */
ZEL_API zel_type_t ZEL_CreateDiscreteSubtype(zel_session_t session, const char* name, zel_type_t base, int left,
                                             int right, zel_rangeDirection_t direction,
                                             zel_status_t* status) ZEL_NOTHROW;
/* An array of element over count constraints (the last varies fastest);
 * each constraint is a range over a discrete type of the container.
 *
 * Array values are packed: ZEL_GetSizeOfType bytes, ceil(n * b / 8) for n
 * elements of b = ZEL_GetPackedSizeOfType(element) bits each. Element i
 * (in index order: each constraint from its left index to its right one,
 * the last constraint fastest) occupies b bits from bit i * b, counting
 * from the most significant bit of byte 0. A narrow element (b not a
 * multiple of 8) holds its encoding's low b bits, written most significant
 * bit first; one that crosses a byte boundary lies in the big-endian 16-bit
 * word at its first byte. An element of whole bytes is copied as its own
 * value. An enumeration whose encodings fit one byte has as b the fewest
 * bits that hold its largest encoding magnitude (one more bit when the
 * range has negative values): 2 bits for the encodings 0 to 3, 4 bits for
 * 0 to 8; wider ranges take whole bytes. So a logic vector of
 * literals 0, 1, x, z (encodings 0 to 3) declared 7 downto 0 packs index 7
 * (element 0) into the top two bits of byte 0 and index 0 into the lowest
 * two bits of byte 1. ZEL_PackTypeData and ZEL_UnpackTypeData convert
 * between this layout and one array of unpacked values per element. */
ZEL_API zel_type_t ZEL_CreateArrayType(zel_session_t session, zel_container_t container, const char* name,
                                       zel_type_t element, unsigned count, const zel_range_t* constraints,
                                       zel_status_t* status) ZEL_NOTHROW;
/* A record of count named elements (names copied; null gives ""). */
ZEL_API zel_type_t ZEL_CreateRecordType(zel_session_t session, zel_container_t container, const char* name,
                                        unsigned count, const char** names, const zel_type_t* types,
                                        zel_status_t* status) ZEL_NOTHROW;
/* A union of count named choices (names copied; null gives ""). */
ZEL_API zel_type_t ZEL_CreateUnionType(zel_session_t session, zel_container_t container, const char* name,
                                       unsigned count, const char** names, const zel_type_t* types,
                                       zel_status_t* status) ZEL_NOTHROW;

/* Enumeration lookups. Positions and encodings are those of the type given
 * (a subtype counts its own positions); literals are owned by the type. */
ZEL_API unsigned ZEL_GetEnumerationLiteralCount(zel_session_t session, zel_type_t type,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The literals in position order: a malloc'd array of count pointers (caller
 * frees the array only). */
ZEL_API const char** ZEL_GetEnumerationLiteralTable(zel_session_t session, zel_type_t type,
                                                    zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetEnumerationLiteralByPosition(zel_session_t session, zel_type_t type, unsigned position,
                                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetEnumerationLiteralByEncoding(zel_session_t session, zel_type_t type, int encoding,
                                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API int ZEL_GetEnumerationEncodingByPosition(zel_session_t session, zel_type_t type, unsigned position,
                                                 zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetEnumerationPositionByEncoding(zel_session_t session, zel_type_t type, int encoding,
                                                      zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetEnumerationPositionByLiteral(zel_session_t session, zel_type_t type, const char* literal,
                                                     zel_status_t* status) ZEL_NOTHROW;
ZEL_API int ZEL_GetEnumerationEncodingByLiteral(zel_session_t session, zel_type_t type, const char* literal,
                                                zel_status_t* status) ZEL_NOTHROW;

/* Records and unions: element / choice count, type and name (owned by the
 * type); an index out of range gives ZEL_BAD_ARG. */
ZEL_API unsigned ZEL_GetRecordElementCount(zel_session_t session, zel_type_t type,
                                           zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_type_t ZEL_GetRecordElementType(zel_session_t session, zel_type_t type, unsigned index,
                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetRecordElementName(zel_session_t session, zel_type_t type, unsigned index,
                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetUnionChoiceCount(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_type_t ZEL_GetUnionChoiceType(zel_session_t session, zel_type_t type, unsigned index,
                                          zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetUnionChoiceName(zel_session_t session, zel_type_t type, unsigned index,
                                           zel_status_t* status) ZEL_NOTHROW;

/* Arrays. */
ZEL_API unsigned ZEL_GetArrayRank(zel_session_t session, zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetArrayConstraint(zel_session_t session, zel_type_t type, unsigned index, zel_range_t* range,
                                    zel_status_t* status) ZEL_NOTHROW;
/* The location of the element at indices (one per constraint). */
ZEL_API unsigned ZEL_GetArrayLocation(zel_session_t session, zel_type_t type, const int* indices,
                                      zel_status_t* status) ZEL_NOTHROW;
/* Fills indices (one per constraint) with the indices of the location. */
ZEL_API void ZEL_GetArrayIndices(zel_session_t session, zel_type_t type, unsigned location, int* indices,
                                 zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetArrayElementCount(zel_session_t session, zel_type_t type,
                                          zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_type_t ZEL_GetArrayElementType(zel_session_t session, zel_type_t type,
                                           zel_status_t* status) ZEL_NOTHROW;
/* The array type's size in bytes (the whole packed array). */
ZEL_API unsigned ZEL_GetArrayElementSize(zel_session_t session, zel_type_t type,
                                         zel_status_t* status) ZEL_NOTHROW;

/* ------ Time values ------------------------------------------------- */

/* A time value (ZEL_TIME) is 24 bytes in the machine's byte order: a tick
 * count of 1 fs in sign-magnitude form, then a fraction of a tick.
 *
 *   bytes  0-1   int16_t   sign: +1 or -1 (zero is +1)
 *   bytes  2-3   uint16_t  digit count: 16-bit digits of the magnitude in
 *                          use, 0 to 6 (0 for zero)
 *   bytes  4-15  uint32_t  magnitude, three words, least significant first
 *                          (at most 2^96 - 1 fs, about 7.9e13 s)
 *   bytes 16-23  double    fraction of a tick, in [0, 1)
 *
 * A negative time has negative ticks and a non-negative fraction: -1.5 fs
 * is ticks -2, fraction 0.5. Arrays of time values are consecutive 24-byte
 * values. Time values compare by ticks, then by fraction. The functions
 * below build and read them without handling the layout; the unit of a
 * tick count is 10^exponent seconds, exponent -15 (fs) to 3 (ks): -12 for
 * ps, -9 for ns. An exponent outside that range: ZEL_BAD_ARG "The tick unit
 * must be 1e-15 s to 1e3 s."; a null value: ZEL_BAD_ARG. A value that is not
 * a time (digit count above 6, fraction outside [0, 1)): ZEL_BAD_ARG "Not a
 * time value.". */

/* Writes the time of ticks * 10^exponent s into value (24 bytes): exact for
 * every tick count whose femtoseconds fit in 96 bits, else ZEL_BAD_ARG "The
 * time does not fit in 96-bit femtosecond ticks.". */
ZEL_API void ZEL_MakeTimeValue(zel_session_t session, int64_t ticks, int exponent, void* value,
                               zel_status_t* status) ZEL_NOTHROW;
/* The time value as a whole number of ticks of 10^exponent s. ZEL_FAILED
 * "The time is not a whole number of ticks of that unit." (a fraction of a
 * femtosecond, or femtoseconds that the unit does not divide) and "The time
 * does not fit in 64-bit ticks of that unit."; 0 then. */
ZEL_API int64_t ZEL_GetTimeValueTicks(zel_session_t session, const void* value, int exponent,
                                      zel_status_t* status) ZEL_NOTHROW;
/* Writes the time of a number of seconds into value: whole femtoseconds
 * plus a fraction (a count within the double's precision of a whole number
 * is taken as that number); beyond 96 bits it saturates. NaN and infinities:
 * ZEL_BAD_ARG "The time is not a finite number.". */
ZEL_API void ZEL_MakeTimeValueFromSeconds(zel_session_t session, double seconds, void* value,
                                          zel_status_t* status) ZEL_NOTHROW;
/* The time value in seconds (rounded to the nearest double). */
ZEL_API double ZEL_GetTimeValueSeconds(zel_session_t session, const void* value,
                                       zel_status_t* status) ZEL_NOTHROW;

/* ====== Model: descriptors, waveform sets, parameters, segments ======= */

/* ------ Summaries and settings of stored arrays ----------------------- */

/* Monotonicity of a stored or computed array. */
typedef enum zel_monotonicity_e {
  ZEL_MONOTONICITY_UNKNOWN = 0,
  ZEL_MONOTONICITY_NONE = 1,
  ZEL_MONOTONICITY_STRICTLY_INCREASING = 2,
  ZEL_MONOTONICITY_STRICTLY_DECREASING = 3,
  ZEL_MONOTONICITY_INCREASING = 4,
  ZEL_MONOTONICITY_DECREASING = 5,
  ZEL_MONOTONICITY_MIXED = 6,
  ZEL_MONOTONICITY_DEFAULT = 7,
  ZEL_MONOTONICITY_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_MONOTONICITY_INT_MIN_ = -0x7fffffff - 1
} zel_monotonicity_t;

/* Spacing of the X (or parameter) values of an array. 1 and 2 are accepted,
 * stored and returned without any behaviour attached. MIXED (a summary over
 * disagreeing segments) and DEFAULT cannot be set explicitly. */
typedef enum zel_dataSpacing_e {
  ZEL_DATASPACING_UNKNOWN = 0,
  ZEL_DATASPACING_1 = 1,
  ZEL_DATASPACING_2 = 2,
  ZEL_DATASPACING_LINEAR_EQUIDISTANT = 3,
  ZEL_DATASPACING_LOG_EQUIDISTANT = 4,
  ZEL_DATASPACING_MIXED = 5,
  ZEL_DATASPACING_DEFAULT = 6,
  ZEL_DATASPACING_INT_RANGE_ = 0x7fffffff,
  ZEL_DATASPACING_INT_MIN_ = -0x7fffffff - 1
} zel_dataSpacing_t;

/* How values between points are found. POLYNOMIAL gives each point an order
 * 0, 1 or 2. MIXED and DEFAULT cannot be set explicitly. */
typedef enum zel_interpolation_e {
  ZEL_INTERPOLATION_NONE = 0,
  ZEL_INTERPOLATION_CONSTANT = 1,
  ZEL_INTERPOLATION_LINEAR = 2,
  ZEL_INTERPOLATION_POLYNOMIAL = 3,
  ZEL_INTERPOLATION_MIXED = 4,
  ZEL_INTERPOLATION_DEFAULT = 5,
  ZEL_INTERPOLATION_INT_RANGE_ = 0x7fffffff,
  ZEL_INTERPOLATION_INT_MIN_ = -0x7fffffff - 1
} zel_interpolation_t;

/* A compression code that callers set and read back unchanged; the library
 * attaches no behaviour to it. Initially 1. */
typedef int zel_compression_t;

/* ------ Dimension descriptors ----------------------------------------- */

/*
 * A dimension descriptor names one axis of data: a name, a unit and the
 * type of its values ("time" in "s" of a real type). Parameters, waveform
 * set X axes and waveform values refer to descriptors. Names and units
 * returned are owned by the descriptor and valid until it is renamed or its
 * container closed. Descriptor attributes live in memory only: they are not
 * stored with the container.
 */

/* A new descriptor in the container; type must belong to the same container
 * (ZEL_BAD_ARG otherwise) or be ZEL_NullType for a descriptor without a
 * type. Null name or unit give "". */
ZEL_API zel_dimensionDescriptor_t ZEL_CreateDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                                const char* name, const char* unit,
                                                                zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
/* The name; owned by the descriptor. */
ZEL_API const char* ZEL_GetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                   zel_status_t* status) ZEL_NOTHROW;
/* The unit; owned by the descriptor. */
ZEL_API const char* ZEL_GetDimensionDescriptorUnit(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                   zel_status_t* status) ZEL_NOTHROW;
/* The type of the axis values (ZEL_NullType when it has none). */
ZEL_API zel_type_t ZEL_GetDimensionDescriptorType(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Replaces the name (null gives ""); the change is stored with the
 * container's structure. */
ZEL_API void ZEL_SetDimensionDescriptorName(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                            const char* name, zel_status_t* status) ZEL_NOTHROW;
/* The container's descriptors whose name and unit equal name and unit
 * exactly and whose type is this very type object (of the same container;
 * ZEL_NullType finds descriptors without a type), in creation order; the
 * array is malloc'd (caller frees), null when count is 0. */
ZEL_API zel_dimensionDescriptor_t* ZEL_FindDimensionDescriptors(zel_session_t session, zel_container_t container,
                                                                const char* name, const char* unit,
                                                                zel_type_t type, unsigned* count,
                                                                zel_status_t* status) ZEL_NOTHROW;
/* Every descriptor of the container; array as ZEL_FindDimensionDescriptors
 * (malloc'd, the caller frees it; null when count is 0). */
ZEL_API zel_dimensionDescriptor_t* ZEL_GetAllDimensionDescriptors(zel_session_t session, zel_container_t container,
                                                                  unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* The container's first descriptor equal to descriptor (of any open
 * container: equal names, units, types by value and attributes); none:
 * ZEL_NOT_FOUND "Dimension descriptor not found". */
ZEL_API zel_dimensionDescriptor_t ZEL_FindDimensionDescriptorByDescriptor(zel_session_t session,
                                                                          zel_container_t container,
                                                                          zel_dimensionDescriptor_t descriptor,
                                                                          zel_status_t* status) ZEL_NOTHROW;
/* Copies descriptor (of any open container) into the container: name, unit
 * and attributes, the type found or copied there. Returns the copy. */
ZEL_API zel_dimensionDescriptor_t ZEL_CopyDimensionDescriptor(zel_session_t session, zel_container_t container,
                                                              zel_dimensionDescriptor_t descriptor,
                                                              zel_status_t* status) ZEL_NOTHROW;
/* The equal descriptor (*created = 0) or a new copy (*created = 1); created
 * may be null. */
ZEL_API zel_dimensionDescriptor_t ZEL_FindOrCopyDimensionDescriptor(zel_session_t session,
                                                                    zel_container_t container,
                                                                    zel_dimensionDescriptor_t descriptor,
                                                                    zel_bool_t* created,
                                                                    zel_status_t* status) ZEL_NOTHROW;
/* True when the two descriptors (of any open containers) are equal. */
ZEL_API zel_bool_t ZEL_AreEqualDimensionDescriptors(zel_session_t session, zel_dimensionDescriptor_t a,
                                                    zel_dimensionDescriptor_t b, zel_status_t* status) ZEL_NOTHROW;
/* The value (owned by the descriptor, valid until it is changed) or null
 * when the attribute is not set. */
ZEL_API const char* ZEL_GetDimensionDescriptorAttribute(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                        const char* name, zel_status_t* status) ZEL_NOTHROW;
/* Array of names allocated with malloc (free it); the names stay owned by
 * the descriptor. Null with count 0 when there are none. */
ZEL_API const char** ZEL_GetDimensionDescriptorAttributeNames(zel_session_t session,
                                                              zel_dimensionDescriptor_t descriptor,
                                                              unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Creates or replaces (a null value stores ""); kept in memory only. */
ZEL_API void ZEL_SetDimensionDescriptorAttribute(zel_session_t session, zel_dimensionDescriptor_t descriptor,
                                                 const char* name, const char* value,
                                                 zel_status_t* status) ZEL_NOTHROW;

/* ------ Waveform sets ------------------------------------------------- */

/* A waveform set groups the waveforms that share one X descriptor and one
 * list of sweep parameters, and owns their segments. Its parameter list may
 * hold empty entries (null handles) until they are set; once the set has
 * segments its parameter count is fixed and its non-empty entries cannot be
 * replaced (ZEL_FAILED). Descriptors and parameters combined with a set must
 * belong to the set's container (ZEL_BAD_ARG). Waveform-set handles stay
 * valid while the container is open. */

/* A new set named name (copied) in the container with count parameter
 * entries taken from parameters (a null handle is an empty entry), or all
 * empty when parameters is null. At most 65535 entries (ZEL_BAD_ARG "Too
 * many parameters (at most 65535).", before anything is allocated). */
ZEL_API zel_waveformSet_t ZEL_CreateWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                                zel_dimensionDescriptor_t xDescriptor, unsigned count,
                                                const zel_parameter_t* parameters,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The set's name; owned by the set, valid while its container is open. */
ZEL_API const char* ZEL_GetWaveformSetName(zel_session_t session, zel_waveformSet_t waveformSet,
                                           zel_status_t* status) ZEL_NOTHROW;
/* The X descriptor. */
ZEL_API zel_dimensionDescriptor_t ZEL_GetWaveformSetXDescriptor(zel_session_t session,
                                                                zel_waveformSet_t waveformSet,
                                                                zel_status_t* status) ZEL_NOTHROW;
/* Replaces the X descriptor (of the set's container). */
ZEL_API void ZEL_SetWaveformSetXDescriptor(zel_session_t session, zel_waveformSet_t waveformSet,
                                           zel_dimensionDescriptor_t xDescriptor, zel_status_t* status) ZEL_NOTHROW;
/* Number of entries of the parameter list, empty ones included. */
ZEL_API unsigned ZEL_GetWaveformSetParameterCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Entry index (the null handle for an empty entry); index >= count:
 * ZEL_BAD_ARG "Parameter index out of range.". */
ZEL_API zel_parameter_t ZEL_GetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet,
                                                    unsigned index, zel_status_t* status) ZEL_NOTHROW;
/* Replaces the whole list by count entries from parameters (all empty when
 * parameters is null); the parameters listed before stay in the container. */
ZEL_API void ZEL_SetWaveformSetParameters(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                          const zel_parameter_t* parameters, zel_status_t* status) ZEL_NOTHROW;
/* Replaces entry index (a null handle empties it); an index >= count
 * changes nothing. */
ZEL_API void ZEL_SetWaveformSetParameter(zel_session_t session, zel_waveformSet_t waveformSet, unsigned index,
                                         zel_parameter_t parameter, zel_status_t* status) ZEL_NOTHROW;
/* The one set of the container named exactly name: none ZEL_NOT_FOUND
 * "WaveformSet not found", several ZEL_FAILED "Multiple waveformSets". */
ZEL_API zel_waveformSet_t ZEL_FindWaveformSet(zel_session_t session, zel_container_t container, const char* name,
                                              zel_status_t* status) ZEL_NOTHROW;
/* Every set of the container in creation order; the array is malloc'd
 * (caller frees), null when count is 0. */
ZEL_API zel_waveformSet_t* ZEL_GetAllWaveformSets(zel_session_t session, zel_container_t container,
                                                  unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* The container's first set equal to waveformSet (which may belong to any
 * open container): equal X descriptors and pairwise equal parameters, names
 * ignored. None: ZEL_NOT_FOUND "WaveformSet not found". */
ZEL_API zel_waveformSet_t ZEL_FindWaveformSetByWaveformSet(zel_session_t session, zel_container_t container,
                                                           zel_waveformSet_t waveformSet,
                                                           zel_status_t* status) ZEL_NOTHROW;
/* Copies waveformSet (of any open container) into the container: its name,
 * its X descriptor and its parameters found or copied there; attributes,
 * segments, waveforms and hierarchy are not copied. Returns the copy. */
ZEL_API zel_waveformSet_t ZEL_CopyWaveformSet(zel_session_t session, zel_container_t container,
                                              zel_waveformSet_t waveformSet, zel_status_t* status) ZEL_NOTHROW;
/* ZEL_FindWaveformSetByWaveformSet when it finds one (*created 0), else
 * ZEL_CopyWaveformSet (*created 1); created may be null. */
ZEL_API zel_waveformSet_t ZEL_FindOrCopyWaveformSet(zel_session_t session, zel_container_t container,
                                                    zel_waveformSet_t waveformSet, zel_bool_t* created,
                                                    zel_status_t* status) ZEL_NOTHROW;
/* True when the two sets (of any open containers) are equal as above. */
ZEL_API zel_bool_t ZEL_AreEqualWaveformSets(zel_session_t session, zel_waveformSet_t a, zel_waveformSet_t b,
                                            zel_status_t* status) ZEL_NOTHROW;
/* The attribute's value (owned by the set, valid until it is changed or the
 * container closed) or null when it is not set. Attributes are stored with
 * the set. */
ZEL_API const char* ZEL_GetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet,
                                                const char* name, zel_status_t* status) ZEL_NOTHROW;
/* Array of the attribute names, malloc'd (free it; the names stay owned by
 * the set); null with count 0 when there are none. */
ZEL_API const char** ZEL_GetWaveformSetAttributeNames(zel_session_t session, zel_waveformSet_t waveformSet,
                                                      unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Creates or replaces the attribute (a null value stores ""). */
ZEL_API void ZEL_SetWaveformSetAttribute(zel_session_t session, zel_waveformSet_t waveformSet, const char* name,
                                         const char* value, zel_status_t* status) ZEL_NOTHROW;

/* ------ Parameters ---------------------------------------------------- */

/*
 * A parameter is one sweep variable (a temperature, a supply voltage, a
 * corner): a named, ordered list of values of its descriptor's type. Each
 * value has a stable value identifier, which segments use and which never
 * changes while the value exists; its position (index) changes when values
 * are inserted or deleted before it. Value buffers hold values in the
 * layout of the value type; order buffers hold one int (0, 1 or 2) per
 * value and are used only with ZEL_INTERPOLATION_POLYNOMIAL (they may be
 * null otherwise). Positions at or beyond the value count give ZEL_BAD_ARG
 * "Parameter index is out of range.". Every change of a parameter is stored
 * with the container's structure.
 */

/* A new parameter without values over descriptor (of the same container,
 * ZEL_BAD_ARG otherwise; a descriptor without a type is ZEL_BAD_ARG). */
ZEL_API zel_parameter_t ZEL_CreateParameter(zel_session_t session, zel_container_t container, const char* name,
                                            zel_dimensionDescriptor_t descriptor, zel_status_t* status) ZEL_NOTHROW;
/* The name; owned by the parameter. */
ZEL_API const char* ZEL_GetParameterName(zel_session_t session, zel_parameter_t parameter,
                                         zel_status_t* status) ZEL_NOTHROW;
/* The descriptor the parameter was created over. */
ZEL_API zel_dimensionDescriptor_t ZEL_GetParameterDimensionDescriptor(zel_session_t session,
                                                                      zel_parameter_t parameter,
                                                                      zel_status_t* status) ZEL_NOTHROW;
/* The value type: the descriptor's type. */
ZEL_API zel_type_t ZEL_GetParameterType(zel_session_t session, zel_parameter_t parameter,
                                        zel_status_t* status) ZEL_NOTHROW;
/* MIXED or DEFAULT: ZEL_BAD_ARG "Explicitly setting MIXED/DEFAULT data
 * spacing". */
ZEL_API void ZEL_SetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter, zel_dataSpacing_t spacing,
                                         zel_status_t* status) ZEL_NOTHROW;
/* The data spacing last set (initially ZEL_DATASPACING_UNKNOWN). */
ZEL_API zel_dataSpacing_t ZEL_GetParameterDataSpacing(zel_session_t session, zel_parameter_t parameter,
                                                      zel_status_t* status) ZEL_NOTHROW;
/* Only while the parameter has no values (else ZEL_FAILED "Cannot change
 * parameter interpolation type when values exist."); MIXED or DEFAULT:
 * ZEL_BAD_ARG "Explicitly setting MIXED/DEFAULT interpolationType". */
ZEL_API void ZEL_SetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                               zel_interpolation_t interpolation, zel_status_t* status) ZEL_NOTHROW;
/* The interpolation type (initially ZEL_INTERPOLATION_NONE). */
ZEL_API zel_interpolation_t ZEL_GetParameterInterpolationType(zel_session_t session, zel_parameter_t parameter,
                                                              zel_status_t* status) ZEL_NOTHROW;
/* Stored in one byte and returned unchanged: 0 to 255, else ZEL_BAD_ARG. */
ZEL_API void ZEL_SetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                         zel_compression_t compression, zel_status_t* status) ZEL_NOTHROW;
/* The compression last set (initially 1). */
ZEL_API zel_compression_t ZEL_GetParameterCompression(zel_session_t session, zel_parameter_t parameter,
                                                      zel_status_t* status) ZEL_NOTHROW;
/* Any code; stored and returned unchanged. */
ZEL_API void ZEL_SetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter, int code,
                                                 zel_status_t* status) ZEL_NOTHROW;
/* The compression user code last set (initially 0). */
ZEL_API int ZEL_GetParameterCompressionUserCode(zel_session_t session, zel_parameter_t parameter,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The monotonicity of the values in position order (UNKNOWN without values
 * or for composite value types). */
ZEL_API zel_monotonicity_t ZEL_GetParameterMonotonicity(zel_session_t session, zel_parameter_t parameter,
                                                        zel_status_t* status) ZEL_NOTHROW;
/* Copies the smallest and largest value into min and max (one value each;
 * strings as malloc'd texts the caller frees). No values: ZEL_FAILED
 * "Parameter has no values.". */
ZEL_API void ZEL_GetParameterMinMax(zel_session_t session, zel_parameter_t parameter, void* min, void* max,
                                    zel_status_t* status) ZEL_NOTHROW;
/* The number of values. */
ZEL_API unsigned ZEL_GetParameterValueCount(zel_session_t session, zel_parameter_t parameter,
                                            zel_status_t* status) ZEL_NOTHROW;
/* Copies the value at position index into value (a string as a malloc'd
 * text the caller frees) and, with polynomial interpolation, its order into
 * order. */
ZEL_API void ZEL_GetParameterValue(zel_session_t session, zel_parameter_t parameter, unsigned index, void* value,
                                   int* order, zel_status_t* status) ZEL_NOTHROW;
/* Points *value (and, with polynomial interpolation, *order; else null) at
 * position index of the values in position order and returns count - index.
 * The buffers stay owned by the parameter and valid until its values change
 * or its container is closed. */
ZEL_API unsigned ZEL_GetParameterValueBuffer(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                             const void** value, const int** order,
                                             zel_status_t* status) ZEL_NOTHROW;
/* Appends count values (strings are copied). Appending a, b, c in one call
 * to a parameter without values gives them the identifiers 2, 1, 0. */
ZEL_API void ZEL_AppendParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned count,
                                       const void* values, const int* orders, zel_status_t* status) ZEL_NOTHROW;
/* Inserts count values before position index. */
ZEL_API void ZEL_InsertParameterValuesBefore(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                             unsigned count, const void* values, const int* orders,
                                             zel_status_t* status) ZEL_NOTHROW;
/* Inserts count values after position index (after the last: appends). */
ZEL_API void ZEL_InsertParameterValuesAfter(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                            unsigned count, const void* values, const int* orders,
                                            zel_status_t* status) ZEL_NOTHROW;
/* Deletes count values from position index; past the end: ZEL_BAD_ARG
 * "Parameter count is too large." and nothing changes. */
ZEL_API void ZEL_DeleteParameterValues(zel_session_t session, zel_parameter_t parameter, unsigned index,
                                       unsigned count, zel_status_t* status) ZEL_NOTHROW;
/* The container's parameters named exactly name, in creation order; the
 * array is malloc'd (caller frees), null when count is 0. */
ZEL_API zel_parameter_t* ZEL_FindParameters(zel_session_t session, zel_container_t container, const char* name,
                                            unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Every parameter of the container; array as ZEL_FindParameters (malloc'd,
 * the caller frees it; null when count is 0). */
ZEL_API zel_parameter_t* ZEL_GetAllParameters(zel_session_t session, zel_container_t container, unsigned* count,
                                              zel_status_t* status) ZEL_NOTHROW;
/* The container's first parameter equal to parameter (of any open
 * container: names, descriptors, settings and values in position order);
 * none: ZEL_NOT_FOUND "Parameter not found". */
ZEL_API zel_parameter_t ZEL_FindParameterByParameter(zel_session_t session, zel_container_t container,
                                                     zel_parameter_t parameter, zel_status_t* status) ZEL_NOTHROW;
/* Copies parameter (of any open container) into the container: name,
 * settings and values (identifiers 0 .. count - 1), the descriptor found or
 * copied there; attributes are not copied. Returns the copy. */
ZEL_API zel_parameter_t ZEL_CopyParameter(zel_session_t session, zel_container_t container,
                                          zel_parameter_t parameter, zel_status_t* status) ZEL_NOTHROW;
/* The equal parameter (*created = 0) or a new copy (*created = 1); created
 * may be null. */
ZEL_API zel_parameter_t ZEL_FindOrCopyParameter(zel_session_t session, zel_container_t container,
                                                zel_parameter_t parameter, zel_bool_t* created,
                                                zel_status_t* status) ZEL_NOTHROW;
/* True when the two parameters (of any open containers) are equal. */
ZEL_API zel_bool_t ZEL_AreEqualParameters(zel_session_t session, zel_parameter_t a, zel_parameter_t b,
                                          zel_status_t* status) ZEL_NOTHROW;
/* The value (owned by the parameter, valid until it is changed) or null. */
ZEL_API const char* ZEL_GetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                              zel_status_t* status) ZEL_NOTHROW;
/* Array of names allocated with malloc (free it); the names stay owned by
 * the parameter. Null with count 0 when there are none. */
ZEL_API const char** ZEL_GetParameterAttributeNames(zel_session_t session, zel_parameter_t parameter,
                                                    unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Creates or replaces (a null value stores ""); stored with the parameter. */
ZEL_API void ZEL_SetParameterAttribute(zel_session_t session, zel_parameter_t parameter, const char* name,
                                       const char* value, zel_status_t* status) ZEL_NOTHROW;

/* ------ Segments, data stores and commits ----------------------------- */

/* A segment holds the data of a waveform set for one combination of
 * parameter values, one value per parameter. Indices are positions of
 * parameter values, one per parameter of the set in list order. A segment
 * index numbers the combinations in mixed radix with the first parameter
 * varying fastest: with value counts c0, c1, ... the indices i0, i1, ...
 * give i0 + i1*c0 + i2*c0*c1 + ... Segments remember values, not positions,
 * so inserting or deleting parameter values moves a segment's indices.
 * Functions that need the parameters fail with ZEL_BAD_ARG while the set has
 * an empty parameter entry. Indices and counts beyond 32 bits, or a
 * conversion through a parameter without values, give ZEL_BAD_ARG "Segment
 * index is out of range.". Segment handles stay valid while the container is
 * open. */

/* A new segment for the count indices (count must equal the parameter
 * count: ZEL_BAD_ARG "Parameter count is incorrect."; each index below its
 * parameter's value count: "Parameter index is out of range."). An equal
 * segment may exist already. The segment starts with data store 0; in a disk
 * container its files are created (a container open for reading refuses:
 * ZEL_FAILED). */
ZEL_API zel_segment_t ZEL_CreateSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                        const unsigned* indices, zel_status_t* status) ZEL_NOTHROW;
/* ZEL_CreateSegment for the indices of a segment index. */
ZEL_API zel_segment_t ZEL_CreateSegmentByIndex(zel_session_t session, zel_waveformSet_t waveformSet,
                                               unsigned segmentIndex, zel_status_t* status) ZEL_NOTHROW;
/* Number of segments of the set. */
ZEL_API unsigned ZEL_GetSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                     zel_status_t* status) ZEL_NOTHROW;
/* The i-th segment in creation order; i >= count: ZEL_BAD_ARG "Index of a
 * segment is out of range.". */
ZEL_API zel_segment_t ZEL_GetSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned i,
                                     zel_status_t* status) ZEL_NOTHROW;
/* Product of the parameters' value counts (1 without parameters). */
ZEL_API unsigned ZEL_GetMaximumSegmentCount(zel_session_t session, zel_waveformSet_t waveformSet,
                                            zel_status_t* status) ZEL_NOTHROW;
/* The first segment (creation order) with the values of a segment index, or
 * the null handle when there is none. */
ZEL_API zel_segment_t ZEL_FindSegment(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                      zel_status_t* status) ZEL_NOTHROW;
/* As ZEL_FindSegment for count indices, checked as in ZEL_CreateSegment. */
ZEL_API zel_segment_t ZEL_FindSegmentIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned count,
                                             const unsigned* indices, zel_status_t* status) ZEL_NOTHROW;
/* The segment index of count indices; a count other than the parameter
 * count: ZEL_BAD_ARG "Parameter index count". */
ZEL_API unsigned ZEL_GetSegmentIndexFromParIndices(zel_session_t session, zel_waveformSet_t waveformSet,
                                                   unsigned count, const unsigned* indices,
                                                   zel_status_t* status) ZEL_NOTHROW;
/* Fills indices (one per parameter) with the indices of a segment index. */
ZEL_API void ZEL_GetParameterIndices(zel_session_t session, zel_waveformSet_t waveformSet, unsigned segmentIndex,
                                     unsigned* indices, zel_status_t* status) ZEL_NOTHROW;
/* The segment index of the segment's current indices. */
ZEL_API unsigned ZEL_GetSegmentIndex(zel_session_t session, zel_segment_t segment,
                                     zel_status_t* status) ZEL_NOTHROW;
/* Parameter i of the segment's set; i >= parameter count: ZEL_BAD_ARG
 * "Parameter index out of range.". */
ZEL_API zel_parameter_t ZEL_GetSegmentParameter(zel_session_t session, zel_segment_t segment, unsigned i,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The current index of the segment's value of parameter i (same check). */
ZEL_API unsigned ZEL_GetSegmentParameterValueIndex(zel_session_t session, zel_segment_t segment, unsigned i,
                                                   zel_status_t* status) ZEL_NOTHROW;
/* Copies the segment's value of parameter i (and, with polynomial
 * interpolation, its order) into caller memory, as ZEL_GetParameterValue (a
 * string as a malloc'd text the caller frees). */
ZEL_API void ZEL_GetSegmentParameterValue(zel_session_t session, zel_segment_t segment, unsigned i, void* value,
                                          int* order, zel_status_t* status) ZEL_NOTHROW;
/* Adds a data store to the segment; returns its number (the old count). */
ZEL_API unsigned ZEL_AddSegmentDataStore(zel_session_t session, zel_segment_t segment,
                                         zel_status_t* status) ZEL_NOTHROW;
/* Number of data stores (at least 1). */
ZEL_API unsigned ZEL_GetSegmentDataStoreCount(zel_session_t session, zel_segment_t segment,
                                              zel_status_t* status) ZEL_NOTHROW;
/* Writes the container's structure (when modified) and the data store's
 * record and map. A store number >= the count: ZEL_BAD_ARG "DataStore index
 * is invalid."; a container not open for writing, a store that was not
 * loaded, or writers that cannot be flushed: ZEL_FAILED. Memory containers:
 * nothing is written. */
ZEL_API void ZEL_CommitDataStoreStructure(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Makes the data store's written values visible to readers: when its
 * structure is unchanged, writes back its open data file and appends to its
 * page map only; otherwise as ZEL_CommitDataStoreStructure. Same failures.
 * Returns when the values and what shows them are on the disk (the data
 * file is synced, also when its writer was terminated before). */
ZEL_API void ZEL_CommitWaveformData(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                    zel_status_t* status) ZEL_NOTHROW;

/* ====== Hierarchy: nodes and node iterators =========================== */

/* Naming convention of hierarchy path names: which character separates the
 * names of blocks and signals. */
typedef enum zel_hdl_e {
  ZEL_HDL_NONE = 0,    /* names are not paths; full names use a space */
  ZEL_HDL_SLASH = 1,   /* "/" */
  ZEL_HDL_COLON = 2,   /* ":" */
  ZEL_HDL_VERILOG = 3, /* not provided: ZEL_FAILED */
  ZEL_HDL_SMART = 4,   /* the first ":" or "/" of the name (not for full names) */
  ZEL_HDL_INT_RANGE_ = 0x7fffffff,
  ZEL_HDL_INT_MIN_ = -0x7fffffff - 1
} zel_hdl_t;

/* Node iterator settings. Order: any value other than 0 is sorted order (by
 * name, by location below composites). Direction: any value other than 0 is
 * backward; ZEL_GetHierarchyNodeDirection gives 0 for a descending bus. The
 * *_INT_RANGE_ values only give the enumerations the range of int. */
typedef enum zel_itorOrder_e {
  ZEL_ITOR_INSERTION_ORDER = 0,
  ZEL_ITOR_SORTED_ORDER = 1,
  ZEL_ITOR_ORDER_INT_RANGE_ = 0x7fffffff,
  ZEL_ITOR_ORDER_INT_MIN_ = -0x7fffffff - 1
} zel_itorOrder_t;
typedef enum zel_itorDirection_e {
  ZEL_ITOR_FORWARD = 0,
  ZEL_ITOR_BACKWARD = 1,
  ZEL_ITOR_DIRECTION_INT_RANGE_ = 0x7fffffff,
  ZEL_ITOR_DIRECTION_INT_MIN_ = -0x7fffffff - 1
} zel_itorDirection_t;
typedef enum zel_itorLevel_e {
  ZEL_ITOR_ANCESTORS = 0, /* the parent, its parent, up to the root */
  ZEL_ITOR_SIBLINGS = 1,  /* the siblings after the start node in the walking direction */
  ZEL_ITOR_CHILDREN = 2,  /* the start node's offspring */
  ZEL_ITOR_PREORDER = 3,  /* all descendants, each before its offspring */
  ZEL_ITOR_POSTORDER = 4, /* all descendants, each after its offspring */
  ZEL_ITOR_LEVEL_INT_RANGE_ = 0x7fffffff,
  ZEL_ITOR_LEVEL_INT_MIN_ = -0x7fffffff - 1
} zel_itorLevel_t;
/* Which nodes a walk descends into. */
typedef enum zel_itorEnter_e {
  ZEL_ITOR_NA = 0,                    /* invalid for any walk that descends */
  ZEL_ITOR_ENTER_GROUPS = 1,          /* groups */
  ZEL_ITOR_ENTER_BLOCKS = 2,          /* roots and blocks */
  ZEL_ITOR_ENTER_WAVEFORMS = 3,       /* waveform nodes (composites) */
  ZEL_ITOR_ENTER_GROUPS_WAVEFORMS = 4, /* groups and waveform nodes */
  ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS = 5, /* roots, blocks and waveform nodes */
  ZEL_ITOR_ENTER_INT_RANGE_ = 0x7fffffff,
  ZEL_ITOR_ENTER_INT_MIN_ = -0x7fffffff - 1
} zel_itorEnter_t;

/* ------ Hierarchy nodes ----------------------------------------------- */

/* Every waveform set has a signal hierarchy below its root: blocks hold
 * blocks, groups and signals; signals (scalar or composite) lead to
 * waveforms; the fields of a composite signal are subelement nodes; groups
 * list existing nodes. Named adds take a path (name split at the separator
 * of hdl, "." and ".." allowed, a leading separator starts at the root);
 * missing blocks on the way are created. A failing add changes nothing:
 * "Current node is not a hierarchy block", "Invalid block name.", "The path
 * is not a block." (ZEL_BAD_ARG), "Name already exists in the block."
 * (ZEL_DUPLICATE). Node texts stay owned by the node unless stated. */

/* A block named name (a path) below node (a root or block). */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyBlock(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                  zel_hdl_t hdl, zel_status_t* status) ZEL_NOTHROW;
/* A group named name (a path) below node (a root or block). */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyGroup(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                  zel_hdl_t hdl, zel_status_t* status) ZEL_NOTHROW;
/* A composite signal of type without waveform; a name such as data[7:0]
 * makes a bus. A bus's full name is its base name (/top/data); its elements
 * are named by the array type, so they follow the array's declared range
 * whatever indices the bus name shows: below data[7:0] of an array declared
 * 7 downto 0, location 0 is [7], full name /top/data[7]. Lookups accept the
 * bus by either name and an element as data[3] or data[7:0][3]. */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyCompositeType(zel_session_t session, zel_hierarchyNode_t node,
                                                          const char* name, zel_hdl_t hdl, zel_type_t type,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* A composite signal of type with its stored waveform (of the root's
 * waveform set); the nodes of all its fields are created with it. */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyCompositeWf(zel_session_t session, zel_hierarchyNode_t node,
                                                        const char* name, zel_hdl_t hdl, zel_type_t type,
                                                        zel_waveform_t waveform, zel_status_t* status) ZEL_NOTHROW;
/* A scalar signal with its stored waveform (of the root's waveform set). */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyScalarWf(zel_session_t session, zel_hierarchyNode_t node,
                                                     const char* name, zel_hdl_t hdl, zel_waveform_t waveform,
                                                     zel_status_t* status) ZEL_NOTHROW;
/* The composite field at location of a composite node, without waveform;
 * "Location is out of range." past its last field. */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelType(zel_session_t session, zel_hierarchyNode_t node,
                                                               unsigned location, zel_status_t* status) ZEL_NOTHROW;
/* The composite field at location with its stored waveform. */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyCompositeSubelWf(zel_session_t session, zel_hierarchyNode_t node,
                                                             unsigned location, zel_waveform_t waveform,
                                                             zel_status_t* status) ZEL_NOTHROW;
/* The scalar field at location with its stored waveform. */
ZEL_API zel_hierarchyNode_t ZEL_AddHierarchyScalarSubelWf(zel_session_t session, zel_hierarchyNode_t node,
                                                          unsigned location, zel_waveform_t waveform,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* Adds count nodes (of the group's hierarchy) to a group in array order;
 * "The node is not a group" for any other node. A failing member ends the
 * call; the members before it stay in the group. */
ZEL_API void ZEL_AddHierarchyGroupMembers(zel_session_t session, zel_hierarchyNode_t group, unsigned count,
                                          const zel_hierarchyNode_t* members, zel_status_t* status) ZEL_NOTHROW;
/* Deletes node and everything below it (the root: all its offspring); their
 * handles die. "Cannot modify read-only container", "Waveform is in use"
 * (ZEL_FAILED) change nothing. Node iterators on deleted nodes must be
 * reset. */
ZEL_API void ZEL_DeleteHierarchyNode(zel_session_t session, zel_hierarchyNode_t node,
                                     zel_status_t* status) ZEL_NOTHROW;
/* The node named name (a path under hdl, or a composite name such as
 * bus[3] or rec.field) from node: a malloc'd array (free it) of *count
 * handles, 0 or 1; null when none. */
ZEL_API zel_hierarchyNode_t* ZEL_GetHierarchyNodes(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                   zel_hdl_t hdl, unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* The offspring at a location of a waveform node (the null handle when
 * there is none). */
ZEL_API zel_hierarchyNode_t ZEL_GetHierarchySubelNode(zel_session_t session, zel_hierarchyNode_t node,
                                                      unsigned location, zel_status_t* status) ZEL_NOTHROW;
/* The node's name (a subelement: its field name); owned by the node. */
ZEL_API const char* ZEL_GetHierarchyNodeName(zel_session_t session, zel_hierarchyNode_t node,
                                             zel_status_t* status) ZEL_NOTHROW;
/* The signal's name within its block or group (bus[3], rec.field): a new
 * malloc'd text that the caller frees. "Node is root/block/group." and
 * "ZEL_HDL_SMART is not allowed." (ZEL_BAD_ARG). */
ZEL_API char* ZEL_GetHierarchyNodeCompositeName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The path from the root with the separator of hdl (a space for
 * ZEL_HDL_NONE; the root alone is the separator): a new malloc'd text that
 * the caller frees. ZEL_HDL_SMART: ZEL_BAD_ARG. A bus shows its base name
 * and its bits the bus's indices: location 0 of data[7:0] is data[7]
 * (location l is [left - l] for a bus declared left > right, [left + l]
 * otherwise), which ZEL_GetHierarchyNodes finds again. */
ZEL_API char* ZEL_GetHierarchyNodeFullName(zel_session_t session, zel_hierarchyNode_t node, zel_hdl_t hdl,
                                           zel_status_t* status) ZEL_NOTHROW;
/* 0 root or block, 1 group, 2 composite signal, 3 scalar signal. */
ZEL_API int ZEL_GetHierarchyNodeType(zel_session_t session, zel_hierarchyNode_t node,
                                     zel_status_t* status) ZEL_NOTHROW;
/* ZEL_ITOR_FORWARD (0) for a descending bus such as data[7:0], else 1. */
ZEL_API zel_itorDirection_t ZEL_GetHierarchyNodeDirection(zel_session_t session, zel_hierarchyNode_t node,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* Whether the node is bound to a waveform (stored or derived). */
ZEL_API zel_bool_t ZEL_HierarchyNodeHasWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                zel_status_t* status) ZEL_NOTHROW;
/* Whether the node was given a stored waveform. */
ZEL_API zel_bool_t ZEL_HierarchyNodeHasSourceWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                      zel_status_t* status) ZEL_NOTHROW;
/* Whether the node is bound to a derived waveform. */
ZEL_API zel_bool_t ZEL_HierarchyNodeHasDerivedWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                       zel_status_t* status) ZEL_NOTHROW;
/* The node's waveform; a waveform node without a stored one gets a derived
 * waveform (a field of a stored composite, or a composite of stored fields)
 * on the first request. Other nodes: "Waveform is not available.". */
ZEL_API zel_waveform_t ZEL_GetHierarchyWaveform(zel_session_t session, zel_hierarchyNode_t node,
                                                zel_status_t* status) ZEL_NOTHROW;
/* The waveform set of the node's hierarchy. */
ZEL_API zel_waveformSet_t ZEL_GetWaveformSetFromHierarchy(zel_session_t session, zel_hierarchyNode_t node,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* The attribute's value (owned by the node) or null; stored with the node. */
ZEL_API const char* ZEL_GetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Array of the attribute names, malloc'd (free it; the names stay owned by
 * the node); null with count 0 when there are none. */
ZEL_API const char** ZEL_GetHierarchyNodeAttributeNames(zel_session_t session, zel_hierarchyNode_t node,
                                                        unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Creates or replaces the attribute (a null value stores ""). */
ZEL_API void ZEL_SetHierarchyNodeAttribute(zel_session_t session, zel_hierarchyNode_t node, const char* name,
                                           const char* value, zel_status_t* status) ZEL_NOTHROW;
/* The root of the waveform set's hierarchy. */
ZEL_API zel_hierarchyNode_t ZEL_GetNameHierarchyRootNode(zel_session_t session, zel_waveformSet_t waveformSet,
                                                         zel_status_t* status) ZEL_NOTHROW;

/* ------ Node iterators ------------------------------------------------ */

/* A node iterator walks a hierarchy from a start node; it belongs to the
 * node's container and dies when the container is closed. Deleting a node
 * that an iterator refers to leaves it without start node: its calls then
 * fail with ZEL_FAILED until it is reset to a live node. */

/* A new iterator over node with these settings. */
ZEL_API zel_nodeIterator_t ZEL_CreateNodeIterator(zel_session_t session, zel_hierarchyNode_t node,
                                                  zel_itorOrder_t order, zel_itorDirection_t direction,
                                                  zel_itorLevel_t level, zel_itorEnter_t enter,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Deletes the iterator; its handle dies. */
ZEL_API void ZEL_DeleteNodeIterator(zel_session_t session, zel_nodeIterator_t iterator,
                                    zel_status_t* status) ZEL_NOTHROW;
/* A new start node (of the iterator's container), settings kept. */
ZEL_API void ZEL_ResetNodeIteratorNode(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                       zel_status_t* status) ZEL_NOTHROW;
/* A new start node and new settings. */
ZEL_API void ZEL_ResetNodeIterator(zel_session_t session, zel_nodeIterator_t iterator, zel_hierarchyNode_t node,
                                   zel_itorOrder_t order, zel_itorDirection_t direction, zel_itorLevel_t level,
                                   zel_itorEnter_t enter, zel_status_t* status) ZEL_NOTHROW;
/* The first node of the walk; the null handle when there is none.
 * ZEL_ITOR_NA for a walk that descends: ZEL_BAD_ARG. */
ZEL_API zel_hierarchyNode_t ZEL_GetFirstNode(zel_session_t session, zel_nodeIterator_t iterator,
                                             zel_status_t* status) ZEL_NOTHROW;
/* The next node; the null handle at the end. "Node iterator not
 * initialized." before ZEL_GetFirstNode and "Node iterator past last node."
 * after the end (ZEL_FAILED). */
ZEL_API zel_hierarchyNode_t ZEL_GetNextNode(zel_session_t session, zel_nodeIterator_t iterator,
                                            zel_status_t* status) ZEL_NOTHROW;
/* The nodes still to come (before ZEL_GetFirstNode: all of the walk); the
 * iterator does not move. */
ZEL_API unsigned ZEL_GetIterationCount(zel_session_t session, zel_nodeIterator_t iterator,
                                       zel_status_t* status) ZEL_NOTHROW;

/* ====== Writers ======================================================= */

/* ------ Waveforms ----------------------------------------------------- */

/* A caller-chosen classification of a waveform. The library stores it in one
 * byte and returns it unchanged (only 0 to 255 survive storage); it carries
 * no names for its values. */
typedef int zel_semantic_t;

/* A new source waveform of the set with the semantic and Y descriptor. */
ZEL_API zel_waveform_t ZEL_CreateWaveform(zel_session_t session, zel_waveformSet_t waveformSet,
                                          zel_semantic_t semantic, zel_dimensionDescriptor_t yDescriptor,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Replaces the Y descriptor; its type must be the very type object of the old
 * one, else ZEL_BAD_ARG. */
ZEL_API void ZEL_SetWaveformYDescriptor(zel_session_t session, zel_waveform_t waveform,
                                        zel_dimensionDescriptor_t yDescriptor, zel_status_t* status) ZEL_NOTHROW;
/* The semantic given at creation. */
ZEL_API zel_semantic_t ZEL_GetWaveformSemantic(zel_session_t session, zel_waveform_t waveform,
                                               zel_status_t* status) ZEL_NOTHROW;
/* The X descriptor of the waveform's set. */
ZEL_API zel_dimensionDescriptor_t ZEL_GetWaveformXDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                             zel_status_t* status) ZEL_NOTHROW;
/* The Y descriptor. */
ZEL_API zel_dimensionDescriptor_t ZEL_GetWaveformYDescriptor(zel_session_t session, zel_waveform_t waveform,
                                                             zel_status_t* status) ZEL_NOTHROW;
/* The type of the X descriptor. */
ZEL_API zel_type_t ZEL_GetWaveformXType(zel_session_t session, zel_waveform_t waveform,
                                        zel_status_t* status) ZEL_NOTHROW;
/* The type of the Y descriptor. */
ZEL_API zel_type_t ZEL_GetWaveformYType(zel_session_t session, zel_waveform_t waveform,
                                        zel_status_t* status) ZEL_NOTHROW;
/* The waveform set the waveform belongs to. */
ZEL_API zel_waveformSet_t ZEL_GetWaveformSetFromWaveform(zel_session_t session, zel_waveform_t waveform,
                                                         zel_status_t* status) ZEL_NOTHROW;
/* The attribute's value (owned by the library) or null when not set. */
ZEL_API const char* ZEL_GetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                             zel_status_t* status) ZEL_NOTHROW;
/* A malloc'd array of the attribute names (the caller frees the array only),
 * or null with count 0 when there is none. */
ZEL_API const char** ZEL_GetWaveformAttributeNames(zel_session_t session, zel_waveform_t waveform,
                                                   unsigned* count, zel_status_t* status) ZEL_NOTHROW;
/* Sets (or replaces) an attribute. */
ZEL_API void ZEL_SetWaveformAttribute(zel_session_t session, zel_waveform_t waveform, const char* name,
                                      const char* value, zel_status_t* status) ZEL_NOTHROW;
/* Whether the segment holds data of the (source) waveform. */
ZEL_API zel_bool_t ZEL_ExistWfSegment(zel_session_t session, zel_segment_t segment, zel_waveform_t waveform,
                                      zel_status_t* status) ZEL_NOTHROW;

/* ------ Front and array writers --------------------------------------- */

/* How a writer or subset lays out its data sets: DIGITAL and ANALOG choose
 * the front layout of a simulation result subset; SPARSE makes a writer's
 * data sets record an X index with every value.
 *
 * The dense array writer (ZEL_CreateWriter, then ZEL_InitializeArrayWriting,
 * ZEL_AppendXArray and ZEL_WfDataWriterAppendArrays: one Y value per X
 * value) wants ZEL_STORAGE_ANALOG: the writer then counts as active, so
 * commits of its data store are refused, while a waveform's point count
 * differs from the X values' count, and closing the container cuts every
 * waveform and the X values to the smallest count, so what is committed
 * has a Y value for every X value. ZEL_STORAGE_DIGITAL writes the same dense data
 * sets without that check; ZEL_STORAGE_SPARSE records with every value the
 * index of the latest X value (a sparse waveform has values at some X values
 * only): values go in one at a time, and ZEL_WfDataWriterAppendArrays takes
 * count 1 there (ZEL_BAD_ARG "Point count must be 1 when writing in SPARSE
 * mode." otherwise) with an xIndices entry that must name an existing X
 * value (ZEL_BAD_ARG "X Index is out of range.") but is not what is
 * recorded. */
typedef enum zel_storageMode_e {
  ZEL_STORAGE_DIGITAL = 0,
  ZEL_STORAGE_ANALOG = 1,
  ZEL_STORAGE_SPARSE = 2,
  ZEL_STORAGE_INT_RANGE_ = 0x7fffffff,
  ZEL_STORAGE_INT_MIN_ = -0x7fffffff - 1
} zel_storageMode_t;

/* The data writer of one waveform of a writer: an object owned by the
 * library, handed out as a pointer, valid until its writer is deleted or its
 * container closed (later calls give ZEL_BAD_HANDLE). */
typedef struct ZEL_WfDataWriter ZEL_WfDataWriter;

/* A writer filling data store dataStore of the segment; SPARSE mode tags
 * every value with its X index. ZEL_BAD_ARG for a store that does not exist. */
ZEL_API zel_writer_t ZEL_CreateWriter(zel_session_t session, zel_segment_t segment, unsigned dataStore,
                                      zel_storageMode_t mode, zel_status_t* status) ZEL_NOTHROW;
/* Closes what the writer opened (without cutting any data set) and deletes
 * it; its data writers become invalid. */
ZEL_API void ZEL_DeleteWriter(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Adds a waveform of the segment's set (same container, else ZEL_BAD_ARG)
 * and returns its data writer; only before writing is initialized
 * (ZEL_FAILED after). */
ZEL_API ZEL_WfDataWriter* ZEL_AddWriterWaveform(zel_session_t session, zel_writer_t writer, zel_waveform_t waveform,
                                                zel_status_t* status) ZEL_NOTHROW;
/* Starts front writing; only once, on a new writer. */
ZEL_API void ZEL_InitializeFrontWriting(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Starts array writing; only once, on a new writer. */
ZEL_API void ZEL_InitializeArrayWriting(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Opens a data front at the X value x (one value of the X type). */
ZEL_API void ZEL_StartDataFront(zel_session_t session, zel_writer_t writer, const void* x,
                                zel_status_t* status) ZEL_NOTHROW;
/* Closes the open data front. */
ZEL_API void ZEL_EndDataFront(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Ends writing (outside a front) and closes the data store. */
ZEL_API void ZEL_TerminateWriting(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Appends count X values (of the X type), in array writing only. */
ZEL_API void ZEL_AppendXArray(zel_session_t session, zel_writer_t writer, unsigned count, const void* xValues,
                              zel_status_t* status) ZEL_NOTHROW;
/* Appends count X values keeping their summary up to date on each call
 * (simple: a cheaper update for values known to be in order). */
ZEL_API void ZEL_AppendXArraySimp(zel_session_t session, zel_writer_t writer, unsigned count, const void* xValues,
                                  zel_bool_t simple, zel_status_t* status) ZEL_NOTHROW;
/* Gives the X values' monotonicity (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_SetXMonotonicity(zel_session_t session, zel_writer_t writer, zel_monotonicity_t monotonicity,
                                  zel_status_t* status) ZEL_NOTHROW;
/* Gives the X values' spacing (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_SetXDataSpacing(zel_session_t session, zel_writer_t writer, zel_dataSpacing_t spacing,
                                 zel_status_t* status) ZEL_NOTHROW;
/* Gives the X values' minimum and maximum (one X value each). */
ZEL_API void ZEL_SetXMinMax(zel_session_t session, zel_writer_t writer, const void* min, const void* max,
                            zel_status_t* status) ZEL_NOTHROW;
/* Forgets given X extremes. */
ZEL_API void ZEL_UnsetXMinMax(zel_session_t session, zel_writer_t writer, zel_status_t* status) ZEL_NOTHROW;

/* ------ Simulation result writers ------------------------------------- */

/* The data writer of one waveform of a simulation result subset: owned by
 * the library, handed out as a pointer, valid until its simulation result
 * writer is deleted or its container closed (later calls give
 * ZEL_BAD_HANDLE). */
typedef struct ZEL_SimWfDataWriter ZEL_SimWfDataWriter;

/* A simulation result writer fills one data store of a segment cycle by
 * cycle: all its waveforms share one X axis (one X value per cycle) and are
 * divided into subsets. An ANALOG subset stores every waveform at every data
 * front (each must get a value); any other storage mode makes a digital
 * subset, whose waveforms store a value only in the fronts where they get
 * one (typically when they change).
 *
 * Order of calls: create the writer, its subsets and their waveforms; then
 * ZEL_SimInitializeWriting; then per cycle ZEL_SimStartCycle, per subset
 * ZEL_SimStartDataFront, the values through the data writers,
 * ZEL_SimEndDataFront, and ZEL_SimEndCycle; last ZEL_SimTerminateWriting.
 * Calls out of this order give ZEL_FAILED and change nothing. Between cycles
 * ZEL_CommitWaveformData makes the values so far visible to readers in
 * other processes; inside a cycle it is refused ("Some writer(s) cannot be
 * flushed (are active)"). Closing the container with a writer still open
 * ends an open data front as ZEL_SimEndDataFront does (its point stays; an
 * analog waveform given no value in it holds its previous value, and the
 * close does not fail for that), ends the cycle and terminates writing. */

/* A writer on data store dataStore of the segment; ZEL_BAD_ARG "DataStore
 * index is invalid." for a store the segment does not have. */
ZEL_API zel_simResultWriter_t ZEL_CreateSimResultWriter(zel_session_t session, zel_segment_t segment,
                                                        unsigned dataStore, zel_status_t* status) ZEL_NOTHROW;
/* Closes what the writer opened (cutting no data) and deletes it with its
 * subsets; their handles and data writers become invalid. The data stays
 * in the segment. */
ZEL_API void ZEL_DeleteSimResultWriter(zel_session_t session, zel_simResultWriter_t writer,
                                       zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetSimResultSubsetCount(zel_session_t session, zel_simResultWriter_t writer,
                                             zel_status_t* status) ZEL_NOTHROW;
/* Subsets in creation order; index >= count: ZEL_BAD_ARG "Subset index out
 * of range.". */
ZEL_API zel_simResultSubset_t ZEL_GetSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                     unsigned index, zel_status_t* status) ZEL_NOTHROW;
/* A new subset (ZEL_STORAGE_ANALOG: analog, any other mode: digital); only
 * before writing is initialized (ZEL_FAILED after). */
ZEL_API zel_simResultSubset_t ZEL_CreateSimResultSubset(zel_session_t session, zel_simResultWriter_t writer,
                                                        zel_storageMode_t mode, zel_status_t* status) ZEL_NOTHROW;
/* Adds a waveform of the segment's set (same container, else ZEL_BAD_ARG)
 * and returns its index in the subset, only before writing is initialized.
 * The waveforms of an analog subset must all have Y values of one kind. */
ZEL_API unsigned ZEL_AddSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                          zel_waveform_t waveform, zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetSimResultWaveformCount(zel_session_t session, zel_simResultSubset_t subset,
                                               zel_status_t* status) ZEL_NOTHROW;
/* The waveform at index; ZEL_FAILED "ZELI_DataSet:AssertIsValidIndex" when
 * there is none. */
ZEL_API zel_waveform_t ZEL_GetSimResultWaveform(zel_session_t session, zel_simResultSubset_t subset,
                                                unsigned index, zel_status_t* status) ZEL_NOTHROW;
/* The data writer of the waveform at index; ZEL_BAD_ARG
 * "ZELI_SimResultSubset::Get_SimWfDataWriter_p index" beyond the last. */
ZEL_API ZEL_SimWfDataWriter* ZEL_GetSimWfDataWriter_p(zel_session_t session, zel_simResultSubset_t subset,
                                                      unsigned index, zel_status_t* status) ZEL_NOTHROW;
/* The interpolation of every waveform of the subset. MIXED and DEFAULT are
 * ZEL_BAD_ARG; an analog subset refuses any change once writing was
 * initialized, a digital one anything but CONSTANT (ZEL_FAILED). */
ZEL_API void ZEL_SetSimInterpolationType(zel_session_t session, zel_simResultSubset_t subset,
                                         zel_interpolation_t interpolation, zel_status_t* status) ZEL_NOTHROW;
/* Checks every subset (an analog one without waveforms: ZEL_BAD_ARG
 * "ZELI_AnalogFrontDataSet has no waveforms.") before anything changes, then
 * opens the data store for writing. Only once: again while writing,
 * ZEL_FAILED "Writing has already been initialized."; after
 * ZEL_SimTerminateWriting, ZEL_DUPLICATE "Duplicate initialization of
 * DataSet.". */
ZEL_API void ZEL_SimInitializeWriting(zel_session_t session, zel_simResultWriter_t writer,
                                      zel_status_t* status) ZEL_NOTHROW;
/* Ends writing outside a cycle and closes the data store. */
ZEL_API void ZEL_SimTerminateWriting(zel_session_t session, zel_simResultWriter_t writer,
                                     zel_status_t* status) ZEL_NOTHROW;
/* Starts a cycle at the X value x (one value of the X type). */
ZEL_API void ZEL_SimStartCycle(zel_session_t session, zel_simResultWriter_t writer, const void* x,
                               zel_status_t* status) ZEL_NOTHROW;
/* Ends the cycle; refused while a subset's front is open. */
ZEL_API void ZEL_SimEndCycle(zel_session_t session, zel_simResultWriter_t writer, zel_status_t* status) ZEL_NOTHROW;
/* Opens the subset's data front in the current cycle; order is the
 * polynomial order (0 to 2) of an analog subset with POLYNOMIAL
 * interpolation and is ignored otherwise. */
ZEL_API void ZEL_SimStartDataFront(zel_session_t session, zel_simResultSubset_t subset, int order,
                                   zel_status_t* status) ZEL_NOTHROW;
/* Closes the subset's front. An analog front with waveforms left without a
 * value gives ZEL_FAILED "Some waveforms do not have a value."; the front
 * then still counts, each such waveform holding its previous value (zero,
 * or "" for strings, at the first front). */
ZEL_API void ZEL_SimEndDataFront(zel_session_t session, zel_simResultSubset_t subset,
                                 zel_status_t* status) ZEL_NOTHROW;
/* Enters, for the subset's open front, the values of its waveforms first ..
 * first + count - 1 (indices in the subset, in the order the waveforms were
 * added) from one array, instead of one data writer call per value: each
 * value takes ZEL_GetSizeOfType bytes of its waveform's Y type (a char* for
 * strings) right after the one before, so an analog subset of doubles takes
 * count doubles. The rules are those of ZEL_SimWfDataWriterEnterValue:
 * ZEL_FAILED "The data front is not active." outside a front, "The waveform
 * already has a value." when any of them has one already; ZEL_BAD_ARG for a
 * range beyond the subset's waveforms or a null values with count > 0.
 * These refusals enter nothing; count 0 enters nothing. Should writing a
 * value fail (ZEL_DISK_IO), the values before it stay entered, as they
 * would one by one. */
ZEL_API void ZEL_SimEnterDataFrontValues(zel_session_t session, zel_simResultSubset_t subset, unsigned first,
                                         unsigned count, const void* values, zel_status_t* status) ZEL_NOTHROW;
/* The X values' summary (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_SetSimResultXMonotonicity(zel_session_t session, zel_simResultWriter_t writer,
                                           zel_monotonicity_t monotonicity, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetSimResultXDataSpacing(zel_session_t session, zel_simResultWriter_t writer,
                                          zel_dataSpacing_t spacing, zel_status_t* status) ZEL_NOTHROW;
/* min and max: one X value each. */
ZEL_API void ZEL_SetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer, const void* min,
                                     const void* max, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_UnsetSimResultXMinMax(zel_session_t session, zel_simResultWriter_t writer,
                                       zel_status_t* status) ZEL_NOTHROW;

/* ------ Data writers -------------------------------------------------- */

/* Data writers: a pointer that is not a live data writer gives
 * ZEL_BAD_HANDLE; a failed call leaves the data set as it was. */
/* Enters the waveform's value for the open data front, ZEL_FAILED outside
 * one (order: polynomial order 0 to 2, used with POLYNOMIAL interpolation
 * only). */
ZEL_API void ZEL_WfDataWriterEnterValue(ZEL_WfDataWriter* dataWriter, const void* value, int order,
                                        zel_status_t* status) ZEL_NOTHROW;
/* Appends count Y values in array writing (ZEL_FAILED otherwise); orders
 * (POLYNOMIAL only) and xIndices (SPARSE only, see zel_storageMode_t) hold
 * count entries each and may be null otherwise. */
ZEL_API void ZEL_WfDataWriterAppendArrays(ZEL_WfDataWriter* dataWriter, unsigned count, const void* values,
                                          const int* orders, const int* xIndices, zel_status_t* status) ZEL_NOTHROW;
/* As ZEL_WfDataWriterAppendArrays, keeping the values' summary up to date on
 * each call (simple: a cheaper update for values known to be in order). */
ZEL_API void ZEL_WfDataWriterAppendArraysSimp(ZEL_WfDataWriter* dataWriter, unsigned count, const void* values,
                                              const int* orders, const int* xIndices, zel_bool_t simple,
                                              zel_status_t* status) ZEL_NOTHROW;
/* Gives the Y values' monotonicity (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_WfDataWriterSetMonotonicity(ZEL_WfDataWriter* dataWriter, zel_monotonicity_t monotonicity,
                                             zel_status_t* status) ZEL_NOTHROW;
/* Gives the Y values' spacing (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_WfDataWriterSetDataSpacing(ZEL_WfDataWriter* dataWriter, zel_dataSpacing_t spacing,
                                            zel_status_t* status) ZEL_NOTHROW;
/* Sets the interpolation type; refused once writing was initialized. */
ZEL_API void ZEL_WfDataWriterSetInterpolationType(ZEL_WfDataWriter* dataWriter,
                                                  zel_interpolation_t interpolation,
                                                  zel_status_t* status) ZEL_NOTHROW;
/* Gives the Y values' minimum and maximum (one Y value each). */
ZEL_API void ZEL_WfDataWriterSetMinMax(ZEL_WfDataWriter* dataWriter, const void* min, const void* max,
                                       zel_status_t* status) ZEL_NOTHROW;
/* Forgets given Y extremes. */
ZEL_API void ZEL_WfDataWriterUnsetMinMax(ZEL_WfDataWriter* dataWriter, zel_status_t* status) ZEL_NOTHROW;

/* Simulation data writers: a pointer that is not a live one gives
 * ZEL_BAD_HANDLE; a failed call leaves the data as it was. */
/* Enters the waveform's value (one Y value) in its subset's open front
 * (ZEL_FAILED "The data front is not active." outside one, "The waveform
 * already has a value." for a second value in one front). */
ZEL_API void ZEL_SimWfDataWriterEnterValue(ZEL_SimWfDataWriter* dataWriter, const void* value,
                                           zel_status_t* status) ZEL_NOTHROW;
/* The Y values' summary (MIXED and DEFAULT are ZEL_BAD_ARG). */
ZEL_API void ZEL_SimWfDataWriterSetMonotonicity(ZEL_SimWfDataWriter* dataWriter, zel_monotonicity_t monotonicity,
                                                zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SimWfDataWriterSetDataSpacing(ZEL_SimWfDataWriter* dataWriter, zel_dataSpacing_t spacing,
                                               zel_status_t* status) ZEL_NOTHROW;
/* min and max: one Y value each. */
ZEL_API void ZEL_SimWfDataWriterSetMinMax(ZEL_SimWfDataWriter* dataWriter, const void* min, const void* max,
                                          zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SimWfDataWriterUnsetMinMax(ZEL_SimWfDataWriter* dataWriter, zel_status_t* status) ZEL_NOTHROW;

/* ====== Reading ======================================================= */

/* ------ Waveform segments --------------------------------------------- */

/* One waveform in one segment, as read: handed out by readers (and data
 * views), owned by the library; callers never free it. */
typedef struct ZEL_WfSegment ZEL_WfSegment;

/* One waveform in one segment, handed out by data views and readers. These
 * functions take the ZEL_WfSegment first and look up no session. A null
 * pointer, or one that is not a live waveform segment (its view or reader
 * is gone), gives ZEL_BAD_HANDLE and is never dereferenced.
 *
 * Reading goes through an access window: a Setup call chooses a leg, a
 * first point and so a count of points, and the buffer functions return
 * the window's values. Buffers and texts point into storage of the library:
 * valid until the next Setup call on the same waveform segment (converted
 * values: until the next converted value of the same axis) or until the
 * waveform segment goes; never freed or written by the caller. Fetching
 * before any Setup is ZEL_FAILED; a window at a point without a value (point
 * 0 of an empty leg) gives ZEL_BAD_ARG "Point index is out of range". */
ZEL_API unsigned ZEL_GetWfSegmentLegCount(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
/* Writes each leg's point count into counts (one entry per leg, see
 * ZEL_GetWfSegmentLegCount) and returns their sum. */
ZEL_API unsigned ZEL_GetWfSegmentPointCounts(ZEL_WfSegment* segment, unsigned* counts,
                                             zel_status_t* status) ZEL_NOTHROW;
/* ZEL_BAD_ARG "Leg index out of range" for a leg at or above the leg count. */
ZEL_API unsigned ZEL_GetWfSegmentLegPointCount(ZEL_WfSegment* segment, unsigned leg,
                                               zel_status_t* status) ZEL_NOTHROW;
/* Each opens a window at point of leg and returns its count: one point;
 * the longest run of values from point that lie side by side; the whole
 * leg's point count (when the values from point do not reach that far, the
 * X and Y buffers of the window are refused with ZEL_FAILED). ZEL_BAD_ARG
 * "Leg index out of range" or "Point index out of range" (point 0 of an
 * empty leg is accepted). */
ZEL_API unsigned ZEL_SetupGetWfSegmentPoint(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_SetupGetWfSegmentBuffer(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_SetupGetWfSegmentArray(ZEL_WfSegment* segment, unsigned leg, unsigned point,
                                            zel_status_t* status) ZEL_NOTHROW;
/* The window's first Y (X) value, the others following (values of the Y (X)
 * type; strings are char* slots). */
ZEL_API const void* ZEL_GetWfSegmentYBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API const void* ZEL_GetWfSegmentXBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
/* The interpolation order of each window point: 0 constant, 1 linear, the
 * stored order for polynomial data; ZEL_FAILED for data that cannot be
 * interpolated. */
ZEL_API const unsigned* ZEL_GetWfSegmentOrderBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
/* Not provided: ZEL_FAILED. */
ZEL_API const void* ZEL_GetWfSegmentCPBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API const unsigned* ZEL_GetWfSegmentDeltaCycleBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API const unsigned char* ZEL_GetWfSegmentFlagBuffer(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
/* The window's values as text, one string per point (CP: ZEL_FAILED). */
ZEL_API const char* const* ZEL_GetWfSegmentConvertedYBuffer(ZEL_WfSegment* segment,
                                                           zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* const* ZEL_GetWfSegmentConvertedXBuffer(ZEL_WfSegment* segment,
                                                           zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* const* ZEL_GetWfSegmentConvertedCPBuffer(ZEL_WfSegment* segment,
                                                            zel_status_t* status) ZEL_NOTHROW;
/* One value of the Y (X) type at value as text (CP: ZEL_FAILED). */
ZEL_API const char* ZEL_GetWfSegmentConvertedYValue(ZEL_WfSegment* segment, const void* value,
                                                    zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetWfSegmentConvertedXValue(ZEL_WfSegment* segment, const void* value,
                                                    zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetWfSegmentConvertedCPValue(ZEL_WfSegment* segment, const void* value,
                                                     zel_status_t* status) ZEL_NOTHROW;
/* Summaries of the Y and X values (CP: ZEL_FAILED). */
ZEL_API zel_dataSpacing_t ZEL_GetWfSegmentYDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetWfSegmentXDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetWfSegmentCPDataSpacing(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetWfSegmentYMonotonicity(ZEL_WfSegment* segment,
                                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetWfSegmentXMonotonicity(ZEL_WfSegment* segment,
                                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetWfSegmentCPMonotonicity(ZEL_WfSegment* segment,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* Copies the minimum and maximum (one value each; strings are new texts the
 * caller frees with free); ZEL_FAILED "Min/Max values are not set." when
 * there are none (empty data). */
ZEL_API void ZEL_GetWfSegmentYMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentXMinMax(ZEL_WfSegment* segment, void* min, void* max, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentCPMinMax(ZEL_WfSegment* segment, void* min, void* max,
                                      zel_status_t* status) ZEL_NOTHROW;
/* The interpolation type of the waveform segment (Y, CP: ZEL_FAILED). */
ZEL_API zel_interpolation_t ZEL_GetWfSegmentXInterpolationType(ZEL_WfSegment* segment,
                                                               zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetWfSegmentYInterpolationType(ZEL_WfSegment* segment,
                                                               zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetWfSegmentCPInterpolationType(ZEL_WfSegment* segment,
                                                                zel_status_t* status) ZEL_NOTHROW;
/* The display parameter of a parameter axis, asked of the data view that
 * shows the waveform segment: ZEL_FAILED "The view is not open" for one
 * without a data view (from a reader) or of a closed view, "Unimplemented"
 * while the view is open. */
ZEL_API void ZEL_GetWfSegmentParameterValue(ZEL_WfSegment* segment, int axis, void* value,
                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetWfSegmentParameterConvertedValue(ZEL_WfSegment* segment, int axis,
                                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetWfSegmentParameterValueIndex(ZEL_WfSegment* segment, int axis,
                                                     zel_status_t* status) ZEL_NOTHROW;
/* The library's data array of the Y (X) values, owned by the waveform
 * segment (valid while it holds it). */
ZEL_API void* ZEL_GetWfSegmentYDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void* ZEL_GetWfSegmentXDataArray_p(ZEL_WfSegment* segment, zel_status_t* status) ZEL_NOTHROW;
/* Installs array as the Y (X) data array; the waveform segment takes it
 * over and deletes the one it held. array must be a live data array of the
 * same container with the waveform segment's point count that no waveform
 * segment holds (the one already installed is accepted and nothing
 * changes), else ZEL_BAD_ARG and nothing changes. Buffers handed out
 * before are invalid afterwards. */
ZEL_API void ZEL_SetWfSegmentYDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetWfSegmentXDataArray_p(ZEL_WfSegment* segment, void* array, zel_status_t* status) ZEL_NOTHROW;
/* Installs a copy of array (which stays with its holder; it may be the
 * current X data array) as the X data array and deletes the one held; the
 * same conditions as above except that array may be held anywhere. */
ZEL_API void ZEL_CopyWfSegmentXDataArray_p(ZEL_WfSegment* segment, const void* array,
                                           zel_status_t* status) ZEL_NOTHROW;

/* ------ Search and interpolation -------------------------------------- */

/* Searches in a waveform segment, from a start point of a start leg onward
 * (reverse searches are not implemented: ZEL_FAILED). Monotonic data is
 * bisected, other data scanned; the first crossing in storage order wins.
 * Results are brackets of leg point indexes: an exact hit at i is (i, i + 1)
 * with *exact set; a value strictly between points i and j is (i, j). A
 * start leg at or past the leg count searches no leg (nothing found; the
 * Closest functions then fail with ZEL_BAD_ARG "Leg index is invalid."); a
 * start point out of range: ZEL_BAD_ARG "Point index is out of range".
 *
 * IndexBy: nothing found gives *leg = the leg count, lower = upper = 0. */
ZEL_API void ZEL_GetWfSegmentIndexByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                      const void* y, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                      unsigned* upper, zel_bool_t* exact, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentIndexByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                      const void* x, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                      unsigned* upper, zel_bool_t* exact, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentIndexByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                       const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* lower,
                                       unsigned* upper, zel_bool_t* exact, zel_status_t* status) ZEL_NOTHROW;
/* The Y value at X: exact, interpolated by the segment's interpolation type
 * (*interpolated set), or the closest point's with closestOnly. Nothing
 * found: ZEL_NOT_FOUND "No such value". y may be null (only the bracket is
 * wanted); cp must be null. ValueByY returns X at Y likewise (interpolated
 * only for linear and polynomial data). A string value copied out is a
 * malloc'd text the caller frees. */
ZEL_API void ZEL_GetWfSegmentValueByX(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                      const void* x, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                      unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                      zel_bool_t* interpolated, void* y, void* cp,
                                      zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentValueByY(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                      const void* y, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                      unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                      zel_bool_t* interpolated, void* x, void* cp,
                                      zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentValueByCP(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                       const void* cp, zel_bool_t closestOnly, zel_bool_t reverse, unsigned* leg,
                                       unsigned* lower, unsigned* upper, zel_bool_t* exact,
                                       zel_bool_t* interpolated, void* y, void* x,
                                       zel_status_t* status) ZEL_NOTHROW;
/* The stored value closest to the sought one and its point (nothing found:
 * point 0 of the start leg, *exact clear). A string value copied out is a
 * malloc'd text the caller frees. */
ZEL_API void ZEL_GetWfSegmentClosestYValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                           const void* y, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                           zel_bool_t* exact, void* closest, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentClosestXValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                           const void* x, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                           zel_bool_t* exact, void* closest, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWfSegmentClosestCPValue(ZEL_WfSegment* segment, unsigned startLeg, unsigned startPoint,
                                            const void* cp, zel_bool_t reverse, unsigned* leg, unsigned* point,
                                            zel_bool_t* exact, void* closest, zel_status_t* status) ZEL_NOTHROW;

/* ------ Readers ------------------------------------------------------- */

/* Readers: several waveforms of one waveform set read segment by segment.
 * Add waveforms (each gives a waveform reader; adding one twice gives the
 * same waveform reader with one more reference, removing it as often
 * releases it), start reading a segment, read each waveform through its
 * waveform reader, end reading, go on with the next segment. Waveform
 * segments built for a segment are kept for the reader's life, so visiting
 * a segment again costs nothing (unless values were written to it since:
 * then it is read again, and waveform segments handed out for it before go). A reader stands on a view (ZEL_CreateView),
 * which cannot be deleted while it does.
 *
 * Failures (ZEL_FAILED): "The reader is already open", "The reader is not
 * open" (reported by ZEL_EndReading as "ZEL_EndReadingSegment: ..."),
 * "Deleting nonexistent waveform from the reader". A reader's waveforms
 * belong to one waveform set: adding one of another set, or starting a
 * segment of another set, is ZEL_BAD_ARG. The data
 * functions below read leg 0 of the waveform reader's current waveform
 * segment; while no segment is open they fail with ZEL_FAILED "No segment is
 * open for reading.". */
ZEL_API zel_reader_t ZEL_CreateReader(zel_session_t session, zel_container_t container, zel_view_t view,
                                      zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_wfDataReader_t ZEL_AddReaderWaveform(zel_session_t session, zel_reader_t reader,
                                                 zel_waveform_t waveform, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_RemoveReaderWaveform(zel_session_t session, zel_reader_t reader, zel_wfDataReader_t dataReader,
                                      zel_status_t* status) ZEL_NOTHROW;
/* Moves the reader to another view, then fails with ZEL_FAILED
 * "ZELI_Reader::HandleViewChange not implemented" (the move stays). */
ZEL_API void ZEL_ReplaceReaderView(zel_session_t session, zel_reader_t reader, zel_view_t view,
                                   zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_StartReadingSegment(zel_session_t session, zel_reader_t reader, zel_segment_t segment,
                                     zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_EndReading(zel_session_t session, zel_reader_t reader, zel_status_t* status) ZEL_NOTHROW;
/* Ends reading first when a segment is open; its waveform readers go too. */
ZEL_API void ZEL_DeleteReader(zel_session_t session, zel_reader_t reader, zel_status_t* status) ZEL_NOTHROW;

ZEL_API unsigned ZEL_GetPointCount(zel_session_t session, zel_wfDataReader_t dataReader,
                                   zel_status_t* status) ZEL_NOTHROW;
/* The current waveform segment itself, for the ZEL_*WfSegment* functions
 * (windows, buffers, text, searches): owned by the waveform reader, valid
 * until the reader is deleted. */
ZEL_API ZEL_WfSegment* ZEL_GetWaveformDataWfSegment(zel_session_t session, zel_wfDataReader_t dataReader,
                                                   zel_status_t* status) ZEL_NOTHROW;
/* Addresses of point `point`'s X and Y values, from which the following
 * points lie contiguous; the order address is null unless the data is
 * polynomial. Valid until the reader is deleted. */
ZEL_API void ZEL_GetWaveformDataXYBuffers(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                          const void** x, const void** y, const unsigned** order,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Copies one point's X and Y values and its interpolation order. String
 * values are malloc'd texts the caller frees. */
ZEL_API void ZEL_GetWaveformDataXYPoint(zel_session_t session, zel_wfDataReader_t dataReader, unsigned point,
                                        void* x, void* y, unsigned* order, zel_status_t* status) ZEL_NOTHROW;
/* Y at X, searching from startPoint on (bisection on monotonic X) and
 * interpolating by the waveform's interpolation type; lower and upper are
 * the bracketing point indexes. X outside the data leaves Y untouched and
 * sets both indexes to the point count. A string Y is a malloc'd text the
 * caller frees. */
ZEL_API void ZEL_GetWaveformDataYatX(zel_session_t session, zel_wfDataReader_t dataReader, unsigned startPoint,
                                     const void* x, void* y, unsigned* lower, unsigned* upper,
                                     zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetWaveformDataXMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetWaveformDataYMonotonicity(zel_session_t session, zel_wfDataReader_t dataReader,
                                                            zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetWaveformDataXDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                          zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetWaveformDataYDataSpacing(zel_session_t session, zel_wfDataReader_t dataReader,
                                                          zel_status_t* status) ZEL_NOTHROW;
/* Copies the X (Y) minimum and maximum, one value each; strings are
 * malloc'd texts the caller frees. */
ZEL_API void ZEL_GetWaveformDataXMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetWaveformDataYMinMax(zel_session_t session, zel_wfDataReader_t dataReader, void* min, void* max,
                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetWaveformDataInterpolationType(zel_session_t session,
                                                                 zel_wfDataReader_t dataReader,
                                                                 zel_status_t* status) ZEL_NOTHROW;

/* ====== Views ========================================================= */

/* A view belongs to the session that created it. Deleting a view on which
 * readers still stand gives ZEL_FAILED "View is in use". Views still alive
 * when their session ends are released then. */
ZEL_API zel_view_t ZEL_CreateView(zel_session_t session, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_DeleteView(zel_session_t session, zel_view_t view,
                            zel_status_t* status) ZEL_NOTHROW;

/* ------ Data views ---------------------------------------------------- */

/* Which data the text of a display axis converts: the axis's own data, the
 * Y data or the X data. */
typedef enum zel_conversion_xy_e {
  ZEL_CONVERT_XY_NONE = 0,  /* the axis's own data */
  ZEL_CONVERT_XY_Y = 1,     /* the Y data */
  ZEL_CONVERT_XY_X = 2,     /* the X data */
  ZEL_CONVERT_XY_INT_RANGE_ = 0x7fffffff, /* any int may be passed; others are refused */
  ZEL_CONVERT_XY_INT_MIN_ = -0x7fffffff - 1
} zel_conversion_xy_t;

/* A caller's conversion of one value of a display axis to text. value
 * points at one value laid out as its type stores it; userData is the
 * pointer given with the function, handed back unchanged. Return a string
 * allocated with malloc (the library frees it with free). */
typedef char* (*zel_conversionFunction_t)(void* userData, void* value);

/* A data view shows one waveform. Stored axes: -2 Y, -1 X, 0 .. n-1 the
 * waveform set's parameters in their order. Display axes: -2 Y, -1 X, 0 up
 * the display parameters.
 *
 * Create the view, choose its display axes (or leave the defaults), open it,
 * walk its view segments and read each one's ZEL_WfSegment; close it. The
 * view holds its waveform: the waveform cannot be deleted while the view
 * exists. Configuration needs the view closed (ZEL_FAILED "The view is
 * open."); enumeration needs it open (ZEL_FAILED "The view is not open"). */
ZEL_API zel_wfDataView_t ZEL_CreateWfDataView(zel_session_t session, zel_waveform_t waveform,
                                              zel_status_t* status) ZEL_NOTHROW;
/* Deletes an open view too; its waveform segments go with it. */
ZEL_API void ZEL_DeleteWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) ZEL_NOTHROW;
/* Builds one waveform segment per view segment: the view segments run over
 * the combinations of the display parameters' values, the first display
 * parameter varying fastest; a parameter that is not displayed is held at
 * its first value, and a display that leaves out a parameter with several
 * values fails with ZEL_BAD_ARG "Segment index is out of range.". A view
 * segment whose stored segment does not exist or holds no values of the
 * waveform is empty. Showing stored Y as X and stored X as Y swaps X and Y
 * in every view segment; showing one of them on both axes duplicates it;
 * a parameter on the X or Y display axis fails with ZEL_FAILED. */
ZEL_API void ZEL_OpenWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) ZEL_NOTHROW;
/* The view's waveform segments stay valid until the view is opened again
 * or deleted: they still read, and their display parameters give
 * ZEL_FAILED "The view is not open". */
ZEL_API void ZEL_CloseWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) ZEL_NOTHROW;
/* count 0: Y, X and every parameter in stored order (axes may be null).
 * Otherwise axes[0] is the stored axis shown as Y, axes[1] the one shown as
 * X, the rest the display parameters in order. Once per view (ZEL_FAILED
 * "Set display axes called out of sequence"); count 1: ZEL_BAD_ARG "At least
 * X and Y axes must be entered"; an axis that is not a stored axis:
 * ZEL_BAD_ARG "Axis must be an stored axis."; a set curve flag: ZEL_FAILED
 * "Curve parametrization is not implemented". */
ZEL_API void ZEL_SetViewDisplayAxes(zel_session_t session, zel_wfDataView_t view, unsigned count, const int* axes,
                                    zel_bool_t curve, zel_status_t* status) ZEL_NOTHROW;
/* The lowest view segment index that holds a waveform segment, and the
 * lowest above index; 0xFFFFFFFF when there is none. */
ZEL_API unsigned ZEL_GetViewFirstSegment(zel_session_t session, zel_wfDataView_t view,
                                         zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetViewNextSegment(zel_session_t session, zel_wfDataView_t view, unsigned index,
                                        zel_status_t* status) ZEL_NOTHROW;
/* The waveform segment of a view segment, owned by the view until it is
 * closed or deleted. ZEL_BAD_ARG "segment index is out of range";
 * ZEL_NOT_FOUND "The segment is empty". */
ZEL_API ZEL_WfSegment* ZEL_GetViewSegment(zel_session_t session, zel_wfDataView_t view, unsigned index,
                                          zel_status_t* status) ZEL_NOTHROW;

/* The view segment of one position per display parameter (first varying
 * fastest; the view open). ZEL_BAD_ARG "Index count is incorrect" unless
 * count is the display parameter count, "Parameter index is out of range."
 * for a position beyond its parameter's values. */
ZEL_API unsigned ZEL_GetViewSegmentIndex(zel_session_t session, zel_wfDataView_t view, unsigned count,
                                         const unsigned* indexes, zel_status_t* status) ZEL_NOTHROW;

/* Text of the display axes. The converted X and Y texts of a view's
 * ZEL_WfSegment follow the view: ZEL_SetViewConversion chooses the form
 * (ZEL_BAD_ARG "The type does not support the zel_conversion_t" when the
 * axis's display type has no such form; "ZEL_CONVERT_FUNCTION cannot be set
 * this way."); ZEL_SetViewConversionXY chooses which data the axis's text
 * shows (on Y: its Y data, or the X data with ZEL_CONVERT_XY_X; on X: its X
 * data, or the Y data with ZEL_CONVERT_XY_Y); ZEL_SetViewConversionFunction
 * hands each value to the caller's function (not null) and makes the axis's
 * conversion ZEL_CONVERT_FUNCTION. They may be changed while the view is
 * open and apply from the next converted text on; each resolves pending
 * operations first. ZEL_BAD_ARG "Axis must be a display axis.". */
ZEL_API void ZEL_SetViewConversion(zel_session_t session, zel_wfDataView_t view, int axis,
                                   zel_conversion_t conversion, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewConversionXY(zel_session_t session, zel_wfDataView_t view, int axis,
                                     zel_conversion_xy_t conversion, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewConversionFunction(zel_session_t session, zel_wfDataView_t view, int axis,
                                           zel_conversionFunction_t function, void* userData,
                                           zel_status_t* status) ZEL_NOTHROW;

/* Point selections and samplings of a stored axis (the view closed;
 * ZEL_BAD_ARG "Axis must be an stored axis."). The view records them; on a
 * parameter anything but "all" makes opening fail with ZEL_FAILED "Not
 * implemented: selection and sampling.", on X and Y they do not restrict
 * the points yet. By index: ZEL_BAD_ARG "low index must be <= high index".
 * By value: low and high are copied in the axis's type. Sampling by value
 * takes ZEL_DATASPACING_LINEAR_EQUIDISTANT or ZEL_DATASPACING_LOG_EQUIDISTANT
 * only (ZEL_BAD_ARG "Spacing must be linear equidistant or logarithmic
 * equidistant."); its count is not kept. */
ZEL_API void ZEL_SetViewPointSelectionAll(zel_session_t session, zel_wfDataView_t view, int axis,
                                          zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewPointSelectionByIndex(zel_session_t session, zel_wfDataView_t view, int axis, unsigned low,
                                              unsigned high, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewPointSelectionByValue(zel_session_t session, zel_wfDataView_t view, int axis,
                                              const void* low, const void* high, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewSamplingAll(zel_session_t session, zel_wfDataView_t view, int axis,
                                    zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewSamplingByIndex(zel_session_t session, zel_wfDataView_t view, int axis, unsigned step,
                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewSamplingByValue(zel_session_t session, zel_wfDataView_t view, int axis, const void* low,
                                        const void* high, zel_dataSpacing_t spacing, unsigned count,
                                        zel_status_t* status) ZEL_NOTHROW;

/* A window on the X or Y display axis (ZEL_BAD_ARG "Axis must be an X or Y
 * axis."; the view closed), two values of the axis's display type copied;
 * a granularity in whole numbers (ZEL_BAD_ARG "Granularity loX >= hiX",
 * "Granularity loY >= hiY"). Setting and removing either needs the view
 * closed (ZEL_FAILED "The view is open."). The view records both for its
 * caller; they do not restrict the points it shows. */
ZEL_API void ZEL_SetViewWindow(zel_session_t session, zel_wfDataView_t view, int axis, const void* low,
                               const void* high, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_RemoveViewWindow(zel_session_t session, zel_wfDataView_t view, int axis,
                                  zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_SetViewGranularity(zel_session_t session, zel_wfDataView_t view, int lowX, int highX, int lowY,
                                    int highY, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_RemoveViewGranularity(zel_session_t session, zel_wfDataView_t view,
                                       zel_status_t* status) ZEL_NOTHROW;

/* The stored waveform. A stored segment is named by its segment index (as
 * ZEL_GetSegmentIndexFromParIndices gives it); ZEL_NOT_FOUND "No such segment
 * or stored waveform" when the waveform set has no segment there.
 * ZEL_GetViewStoredParameter fails with ZEL_FAILED "Incorrect axis" for X and
 * Y. The minimum and maximum are values of the stored axis's type. For a
 * waveform derived from a field of a stored composite, the point count and
 * the X summaries are those of the stored waveform (its enumeration values
 * may read back as fewer points: only their changes are kept). */
ZEL_API unsigned ZEL_GetViewStoredParameterCount(zel_session_t session, zel_wfDataView_t view,
                                                 zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_type_t ZEL_GetViewStoredAxisType(zel_session_t session, zel_wfDataView_t view, int axis,
                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_parameter_t ZEL_GetViewStoredParameter(zel_session_t session, zel_wfDataView_t view, int axis,
                                                   zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetViewStoredPointCount(zel_session_t session, zel_wfDataView_t view, unsigned segment,
                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetViewStoredYDataSpacing(zel_session_t session, zel_wfDataView_t view,
                                                        unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetViewStoredXDataSpacing(zel_session_t session, zel_wfDataView_t view,
                                                        unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetViewStoredYMonotonicity(zel_session_t session, zel_wfDataView_t view,
                                                          unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetViewStoredXMonotonicity(zel_session_t session, zel_wfDataView_t view,
                                                          unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetViewStoredYInterpolationType(zel_session_t session, zel_wfDataView_t view,
                                                                unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetViewStoredXInterpolationType(zel_session_t session, zel_wfDataView_t view,
                                                                unsigned segment, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetViewStoredYMinMax(zel_session_t session, zel_wfDataView_t view, unsigned segment, void* min,
                                      void* max, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetViewStoredXMinMax(zel_session_t session, zel_wfDataView_t view, unsigned segment, void* min,
                                      void* max, zel_status_t* status) ZEL_NOTHROW;

/* The display axes. ZEL_GetViewAxisType resolves pending operations and
 * gives the type the axis shows; ZEL_GetViewParameterCount the number of
 * display parameters (every stored parameter before display axes are
 * chosen). The summaries (view open) run over the filled view segments: the
 * first one's value, *_MIXED at the first difference, 0 without segments
 * (min and max then stay as they were); the minimum and maximum over the
 * segments with points, in the axis's display type. Axis Y, X, or -3 (not
 * provided: ZEL_FAILED); a display parameter: ZEL_FAILED "Unimplemented";
 * other numbers: ZEL_BAD_ARG "Invalid axis.". The interpolation type is the
 * X axis's; Y fails with ZEL_FAILED. */
ZEL_API zel_type_t ZEL_GetViewAxisType(zel_session_t session, zel_wfDataView_t view, int axis,
                                       zel_status_t* status) ZEL_NOTHROW;
ZEL_API unsigned ZEL_GetViewParameterCount(zel_session_t session, zel_wfDataView_t view,
                                           zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_dataSpacing_t ZEL_GetViewAxisDataSpacing(zel_session_t session, zel_wfDataView_t view, int axis,
                                                     zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_monotonicity_t ZEL_GetViewAxisMonotonicity(zel_session_t session, zel_wfDataView_t view, int axis,
                                                       zel_status_t* status) ZEL_NOTHROW;
ZEL_API zel_interpolation_t ZEL_GetViewAxisInterpolationType(zel_session_t session, zel_wfDataView_t view, int axis,
                                                             zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetViewAxisMinMax(zel_session_t session, zel_wfDataView_t view, int axis, void* min, void* max,
                                   zel_status_t* status) ZEL_NOTHROW;
/* Not provided: ZEL_FAILED "The view is not open" while the view is closed,
 * "Unimplemented" while it is open (a view segment's parameter values come
 * from its index: ZEL_GetViewSegmentIndex and the parameters' values). */
ZEL_API unsigned ZEL_GetViewAxisPointCount(zel_session_t session, zel_wfDataView_t view, int axis,
                                           zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_GetViewParameterValue(zel_session_t session, zel_wfDataView_t view, int axis, unsigned segment,
                                       void* value, zel_status_t* status) ZEL_NOTHROW;
ZEL_API const char* ZEL_GetViewParameterConvertedValue(zel_session_t session, zel_wfDataView_t view, int axis,
                                                       unsigned segment, zel_status_t* status) ZEL_NOTHROW;

/* Operations on the display axes, applied in order when the view opens.
 * Unary operations (0 to 32) and conversions go to the given display axis;
 * binary operations (33 to 51) always go to the Y display axis, with the
 * other view's waveform or a scalar as second (Arg2) or first (Arg1)
 * operand. The view must be closed (ZEL_FAILED "The view is open."); a view
 * without chosen display axes takes the defaults. ZEL_BAD_ARG: "Axis must be
 * a display axis.", "Operation must be a unary operation.", "Operation must
 * be a binary operation.", another view of another container or of another
 * waveform set ("View belongs to another waveform set"), the view itself as
 * operand, a null value, a scalar's type of another container ("Type
 * belongs to another container"). A convert-type target of another
 * container is brought in with ZEL_FindOrCopyType. The scalar value is copied when the entry is
 * added (one value of its type, a string with its text): the caller's may
 * go at once.
 *
 * Opening resolves each entry for the types it meets (the stored axis's
 * type, then each entry's result): ZEL_BAD_ARG "The operation does not
 * exist" when there is none for them, ZEL_FAILED "View operations change
 * axis display type." when a view opened before would show another type.
 * Operation ZEL_OP_XY makes its first operand the X values. A waveform
 * operand is the other view's view segment with the same index (segment 0
 * when that view has no display parameters); that view must be open
 * (ZEL_FAILED "The view is not open"). A view named as operand by another
 * view cannot be deleted (ZEL_FAILED "View is in use"). */
ZEL_API void ZEL_AddViewUnaryOperation(zel_session_t session, zel_wfDataView_t view, int axis,
                                       zel_operation_t operation, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_AddViewConvertTypeOperation(zel_session_t session, zel_wfDataView_t view, int axis,
                                             zel_type_t type, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_AddViewBinOpArg2Waveform(zel_session_t session, zel_wfDataView_t view, zel_operation_t operation,
                                          zel_wfDataView_t other, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_AddViewBinOpArg1Waveform(zel_session_t session, zel_wfDataView_t view, zel_wfDataView_t other,
                                          zel_operation_t operation, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_AddViewBinOpArg2Scalar(zel_session_t session, zel_wfDataView_t view, zel_operation_t operation,
                                        zel_type_t type, const void* value, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_AddViewBinOpArg1Scalar(zel_session_t session, zel_wfDataView_t view, zel_type_t type,
                                        const void* value, zel_operation_t operation,
                                        zel_status_t* status) ZEL_NOTHROW;
/* Empties the operation list of a display axis. */
ZEL_API void ZEL_RemoveViewOperations(zel_session_t session, zel_wfDataView_t view, int axis,
                                      zel_status_t* status) ZEL_NOTHROW;

/* ------ Operations ---------------------------------------------------- */

/* A caller's operation on arrays of count values, laid out as their types
 * store them (see the types section). The library allocates result before
 * the call; string results arrive as null pointers for the callback to fill
 * with malloc'd texts. userData is the pointer given at registration,
 * handed back unchanged. Return ZEL_OK; any other status fails the data
 * view that applied the operation with ZEL_FAILED "User operation failed". */
typedef zel_status_t (*zel_unaryOperationCallback_t)(void* userData, void* operand, unsigned count, void* result);
typedef zel_status_t (*zel_binaryOperationCallback_t)(void* userData, void* operand1, void* operand2,
                                                      unsigned count, void* result);

/* Registration: the container keeps the operation for the given operation
 * value and operand types (types of any open container of the session; a
 * type of another container is brought in with ZEL_FindOrCopyType first).
 * It replaces an operation the container already keeps for compatible
 * types (the same data type; for an enumeration, the same range and
 * literals; a record or union type only itself), including the built-in
 * one an earlier lookup kept. The operation value is stored as given (its
 * class is not checked). Texts a callback stores into a string result
 * belong to the library, also when the callback fails. A null callback:
 * ZEL_BAD_ARG "The callback is null.". userData must stay valid while the
 * container is open. */
ZEL_API void ZEL_RegisterUnaryOperation(zel_session_t session, zel_container_t container, zel_operation_t operation,
                                        zel_type_t operandType, zel_type_t resultType,
                                        zel_unaryOperationCallback_t callback, void* userData,
                                        zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_RegisterBinaryOperation(zel_session_t session, zel_container_t container, zel_operation_t operation,
                                         zel_type_t firstType, zel_type_t secondType, zel_type_t resultType,
                                         zel_binaryOperationCallback_t callback, void* userData,
                                         zel_status_t* status) ZEL_NOTHROW;
/* Conversion (ZEL_OP_CONVERT_TYPE) from sourceType to targetType, called
 * like a unary operation. */
ZEL_API void ZEL_RegisterConvertTypeOperation(zel_session_t session, zel_container_t container,
                                              zel_type_t sourceType, zel_type_t targetType,
                                              zel_unaryOperationCallback_t callback, void* userData,
                                              zel_status_t* status) ZEL_NOTHROW;

#ifdef __cplusplus
} /* extern "C" */

/* ====== C++ only: the objects behind the pointers of the C interface == */

/* The exception thrown by the library's public wrapper classes (data
 * writers and waveform segments). It is not derived from std::exception.
 * The message is at most 255 characters and travels with the object. */
class ZEL_API ZEL_Exception {
 public:
  ZEL_Exception(const char* message, zel_status_t status) noexcept;
  const char* what() const noexcept { return message_; }
  zel_status_t status() const noexcept { return status_; }

 private:
  char message_[256];
  zel_status_t status_;
};

class ZELI_Writer;
class ZELI_DataSet;
class ZELI_Bitset;

/* The data writer of one waveform (see ZEL_AddWriterWaveform). Its members
 * throw ZEL_Exception with the status and message of any failure; the
 * ZEL_WfDataWriter* functions above call them and report the status. */
struct ZEL_API ZEL_WfDataWriter {
  /* Made by the library's writers, which fill in the fields below. */
  ZEL_WfDataWriter() noexcept;
  ~ZEL_WfDataWriter();
  ZEL_WfDataWriter(const ZEL_WfDataWriter&) = delete;
  ZEL_WfDataWriter& operator=(const ZEL_WfDataWriter&) = delete;

  void EnterValue(const void* value, int order);
  void AppendArrays(unsigned count, const void* values, const int* orders, const int* xIndices);
  void AppendArraysSimp(unsigned count, const void* values, const int* orders, const int* xIndices,
                        zel_bool_t simple);
  void Set_Monotonicity(zel_monotonicity_t monotonicity);
  void Set_DataSpacing(zel_dataSpacing_t spacing);
  void Set_InterpolationType(zel_interpolation_t interpolation);
  void Set_MinMax(const void* min, const void* max);
  void Unset_MinMax();

  /* Whether p is a data writer that exists now (a registry of live ones). */
  static bool IsLive(const ZEL_WfDataWriter* p) noexcept;

  ZELI_Writer* writer = nullptr;
  unsigned index = 0;              /* among the writer's data writers */
  ZELI_DataSet* dataSet = nullptr; /* holds the waveform */
  unsigned position = 0;           /* of the waveform in the data set */
  ZELI_Bitset* presence = nullptr; /* value-presence bits of the front, may be null */
  unsigned bitNumber = 0;
};

class ZELI_WfSegment;

/* One waveform in one segment (see the ZEL_*WfSegment* functions, which call
 * these members). Made and owned by the library; its members throw
 * ZEL_Exception with the status and message of any failure. */
struct ZEL_API ZEL_WfSegment {
  ZEL_WfSegment() noexcept;
  ~ZEL_WfSegment();
  ZEL_WfSegment(const ZEL_WfSegment&) = delete;
  ZEL_WfSegment& operator=(const ZEL_WfSegment&) = delete;

  unsigned GetWfSegmentLegCount();
  unsigned GetWfSegmentPointCounts(unsigned* counts);
  unsigned GetWfSegmentLegPointCount(unsigned leg);
  unsigned SetupGetWfSegmentPoint(unsigned leg, unsigned point);
  unsigned SetupGetWfSegmentBuffer(unsigned leg, unsigned point);
  unsigned SetupGetWfSegmentArray(unsigned leg, unsigned point);
  const void* GetWfSegmentYBuffer();
  const void* GetWfSegmentXBuffer();
  const unsigned* GetWfSegmentOrderBuffer();
  const void* GetWfSegmentCPBuffer();
  const unsigned* GetWfSegmentDeltaCycleBuffer();
  const unsigned char* GetWfSegmentFlagBuffer();
  const char* const* GetWfSegmentConvertedYBuffer();
  const char* const* GetWfSegmentConvertedXBuffer();
  const char* const* GetWfSegmentConvertedCPBuffer();
  const char* GetWfSegmentConvertedYValue(const void* value);
  const char* GetWfSegmentConvertedXValue(const void* value);
  const char* GetWfSegmentConvertedCPValue(const void* value);
  zel_dataSpacing_t GetWfSegmentYDataSpacing();
  zel_dataSpacing_t GetWfSegmentXDataSpacing();
  zel_dataSpacing_t GetWfSegmentCPDataSpacing();
  zel_monotonicity_t GetWfSegmentYMonotonicity();
  zel_monotonicity_t GetWfSegmentXMonotonicity();
  zel_monotonicity_t GetWfSegmentCPMonotonicity();
  void GetWfSegmentYMinMax(void* min, void* max);
  void GetWfSegmentXMinMax(void* min, void* max);
  void GetWfSegmentCPMinMax(void* min, void* max);
  zel_interpolation_t GetWfSegmentXInterpolationType();
  zel_interpolation_t GetWfSegmentYInterpolationType();
  zel_interpolation_t GetWfSegmentCPInterpolationType();
  void GetWfSegmentParameterValue(int axis, void* value);
  const char* GetWfSegmentParameterConvertedValue(int axis);
  unsigned GetWfSegmentParameterValueIndex(int axis);
  void* GetWfSegmentYDataArray_p();
  void* GetWfSegmentXDataArray_p();
  void SetWfSegmentYDataArray_p(void* array);
  void SetWfSegmentXDataArray_p(void* array);
  void CopyWfSegmentXDataArray_p(const void* array);
  void GetWfSegmentIndexByY(unsigned startLeg, unsigned startPoint, const void* y, zel_bool_t reverse,
                            unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact);
  void GetWfSegmentIndexByX(unsigned startLeg, unsigned startPoint, const void* x, zel_bool_t reverse,
                            unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact);
  void GetWfSegmentIndexByCP(unsigned startLeg, unsigned startPoint, const void* cp, zel_bool_t reverse,
                             unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact);
  void GetWfSegmentValueByX(unsigned startLeg, unsigned startPoint, const void* x, zel_bool_t closestOnly,
                            zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact,
                            zel_bool_t* interpolated, void* y, void* cp);
  void GetWfSegmentValueByY(unsigned startLeg, unsigned startPoint, const void* y, zel_bool_t closestOnly,
                            zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact,
                            zel_bool_t* interpolated, void* x, void* cp);
  void GetWfSegmentValueByCP(unsigned startLeg, unsigned startPoint, const void* cp, zel_bool_t closestOnly,
                             zel_bool_t reverse, unsigned* leg, unsigned* lower, unsigned* upper, zel_bool_t* exact,
                             zel_bool_t* interpolated, void* y, void* x);
  void GetWfSegmentClosestYValue(unsigned startLeg, unsigned startPoint, const void* y, zel_bool_t reverse,
                                 unsigned* leg, unsigned* point, zel_bool_t* exact, void* closest);
  void GetWfSegmentClosestXValue(unsigned startLeg, unsigned startPoint, const void* x, zel_bool_t reverse,
                                 unsigned* leg, unsigned* point, zel_bool_t* exact, void* closest);
  void GetWfSegmentClosestCPValue(unsigned startLeg, unsigned startPoint, const void* cp, zel_bool_t reverse,
                                  unsigned* leg, unsigned* point, zel_bool_t* exact, void* closest);

  /* Whether p is a waveform segment that exists now. */
  static bool IsLive(const ZEL_WfSegment* p) noexcept;

  ZELI_WfSegment* segment = nullptr; /* the library's waveform segment */
};

class ZELI_SimResultSubset;

/* The data writer of one waveform of a simulation result subset (see
 * ZEL_GetSimWfDataWriter_p); its members throw ZEL_Exception like those of
 * ZEL_WfDataWriter. */
struct ZEL_API ZEL_SimWfDataWriter {
  /* Made by the library's subsets, which fill in the fields below. */
  ZEL_SimWfDataWriter() noexcept;
  ZEL_SimWfDataWriter(const ZEL_SimWfDataWriter&) = delete;
  ZEL_SimWfDataWriter& operator=(const ZEL_SimWfDataWriter&) = delete;

  void EnterValue(const void* value);
  void Set_Monotonicity(zel_monotonicity_t monotonicity);
  void Set_DataSpacing(zel_dataSpacing_t spacing);
  void Set_MinMax(const void* min, const void* max);
  void Unset_MinMax();

  /* Whether p is a data writer that exists now. */
  static bool IsLive(const ZEL_SimWfDataWriter* p) noexcept;

  ZELI_DataSet* dataSet = nullptr;         /* the subset's data set */
  unsigned position = 0;                   /* of the waveform; also its presence bit */
  ZELI_Bitset* presence = nullptr;         /* value-presence bits of the subset's front */
  ZELI_SimResultSubset* subset = nullptr;  /* null while the slot is not handed out */
};
#endif

#endif /* ZEL_ZEL_H */
