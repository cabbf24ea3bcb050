/*
 * zel.h - the public interface of libqo_zel, a waveform database library.
 *
 * Simulators link it to write their results into a container on disk;
 * waveform viewers and post-processing tools link it to read them back.
 * This header compiles as C99 and as C++17 and is the only header a caller
 * needs.
 *
 * Rules of the boundary, which hold for every function below:
 *
 *  1. Handles are small structures passed by value that hold one signed
 *     32-bit key. The key -1 is the null handle of every type; the library
 *     exports one constant null handle per type (ZEL_NullSession, ...).
 *  2. Every function that can fail takes a zel_status_t* as its last
 *     argument and stores ZEL_OK or the failure status there (a null status
 *     pointer is allowed and simply not written). On failure the function
 *     returns the null handle, a null pointer or 0, changes no handle it was
 *     given, and ZEL_GetError() returns "<function name>: <reason>", cut at
 *     129 characters.
 *  3. zel_bool_t is 0 for false and 1 for true.
 *  4. Lists and arrays returned together with a count are allocated with
 *     malloc and freed by the caller with free. Strings and buffers returned
 *     without a count stay owned by the library; each declaration says how
 *     long they stay valid.
 *  5. A null pointer where an array (with a count above 0) or an
 *     out-parameter is expected gives ZEL_BAD_ARG. Objects combined in one
 *     call must belong to the same container, otherwise ZEL_BAD_ARG.
 *  6. Enumerations passed in may hold any int value (each has an
 *     *_INT_RANGE_ member for that); values outside the listed ones are
 *     refused with ZEL_BAD_ARG where the function takes them.
 *  7. No exception ever leaves the library. The library starts no threads
 *     and takes no locks: use it from one thread at a time.
 */
#ifndef ZEL_ZEL_H
#define ZEL_ZEL_H

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

/* ---------------------------------------------------------------------- */
/* Shared types                                                           */
/* ---------------------------------------------------------------------- */

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

/* Opening mode of containers, memory files and arrays. */
typedef enum zel_iomode_e {
  ZEL_IOMODE_READ = 0,
  ZEL_IOMODE_WRITE = 1,
  /* Containers only: open for writing without loading existing data stores. */
  ZEL_IOMODE_WRITE_STRUCTURE = 2,
  ZEL_IOMODE_INT_RANGE_ = 0x7fffffff /* any int may be passed; others are refused */
} zel_iomode_t;

/* Storage mode of a created container: on disk, or in memory only (no
 * files; closing writes nothing). Any value other than ZEL_MODE_DISK keeps
 * the container in memory. */
typedef enum zel_mode_e {
  ZEL_MODE_MEMORY = 0,
  ZEL_MODE_DISK = 1,
  ZEL_MODE_INT_RANGE_ = 0x7fffffff /* any int may be passed */
} zel_mode_t;

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
  ZEL_MONOTONICITY_INT_RANGE_ = 0x7fffffff /* any int may be passed; others are refused */
} zel_monotonicity_t;

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

/* A session termination callback: called once by ZEL_TermSession. */
typedef void (*zel_termCallback_t)(void);

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

/* ---------------------------------------------------------------------- */
/* Sessions, callbacks, handle checks and version queries                 */
/* ---------------------------------------------------------------------- */

/* Starts a session. Its key may be given again to a later session once this
 * one has ended. */
ZEL_API zel_session_t ZEL_InitSession(zel_status_t* status) ZEL_NOTHROW;

/* Calls the session's termination callbacks (ascending function address),
 * detaches its attached containers, closes its other containers, releases
 * its remaining views and ends the session. */
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

/* A view belongs to the session that created it. Deleting a view on which
 * readers still stand gives ZEL_FAILED "View is in use". Views still alive
 * when their session ends are released then. */
ZEL_API zel_view_t ZEL_CreateView(zel_session_t session, zel_status_t* status) ZEL_NOTHROW;
ZEL_API void ZEL_DeleteView(zel_session_t session, zel_view_t view,
                            zel_status_t* status) ZEL_NOTHROW;

/* ---------------------------------------------------------------------- */
/* Containers                                                             */
/* ---------------------------------------------------------------------- */
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
/* Shuts down open writers, writes what is modified and closes. When the
 * version table refuses (attached processes remain) the container stays
 * open. Every handle of the container's objects becomes invalid. */
ZEL_API void ZEL_CloseContainer(zel_session_t session, zel_container_t container,
                                zel_status_t* status) ZEL_NOTHROW;
/* Writes the structure file now when it was modified (disk containers open
 * for writing; otherwise nothing). */
ZEL_API void ZEL_CommitContainerStructure(zel_session_t session, zel_container_t container,
                                          zel_status_t* status) ZEL_NOTHROW;
/* Deletes the container; its files stay until its last reader closes. */
ZEL_API void ZEL_DeleteContainer(const char* name, zel_status_t* status) ZEL_NOTHROW;
/* False when neither the directory nor the reference file exists; a partial
 * container is ZEL_FAILED. */
ZEL_API zel_bool_t ZEL_ContainerExists(const char* name, zel_status_t* status) ZEL_NOTHROW;
/* The software version that created the container. */
ZEL_API unsigned ZEL_GetContainerSoftwareVersion(const char* name, zel_status_t* status) ZEL_NOTHROW;
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

/* ---------------------------------------------------------------------- */
/* Errors                                                                 */
/* ---------------------------------------------------------------------- */

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

#ifdef __cplusplus
} /* extern "C" */

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
#endif

#endif /* ZEL_ZEL_H */
