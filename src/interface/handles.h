// Handle objects: what a handle's key leads to in its session's map.
//
//   ZELC_Base                       kind, key, session key
//   +- ZELC_Session                 (kind 0, interface.h)
//   +- ZELC_StandaloneBase<T>       + the implementation object (not owned)
//      +- ZELC_Container            (kind 1, container_wrapper.h)
//      +- ZELC_ContainedBase<T>     + the container wrapper holding the object
//         +- ZELC_ExternalBase<T>   persistent objects; listed in the
//         |                         wrapper's external shadow map
//         +- ZELC_AccessBase<T>     access objects; listed in the access
//                                   shadow map
//
// ZELC_HandleTraits<Handle> ties each handle type of the public header to its
// kind code, wrapper class and implementation class; the call frame converts
// handles through it.
#ifndef ZEL_INTERFACE_HANDLES_H
#define ZEL_INTERFACE_HANDLES_H

#include "zel/zel.h"

class ZELC_Container;
class ZELI_Container;
class ZELI_View;
class ZELI_Type;
class ZELI_Parameter;
class ZELI_DimensionDescriptor;
class ZELI_HierarchyNode;
class ZELI_NodeIterator;
class ZELI_WaveformSet;
class ZELI_Segment;
class ZELI_Waveform;
class ZELI_SimResultWriter;
class ZELI_SimResultSubset;
class ZELI_Writer;
class ZELI_WfDataView;
class ZELI_Reader;
class ZELI_WfDataReader;

class ZELC_Base {
 public:
  // Fixed kind codes of handle objects.
  enum ObjectType : int {
    SESSION = 0,
    CONTAINER = 1,
    VIEW = 2,
    TYPE = 3,
    PARAMETER = 4,
    DIMENSION_DESCRIPTOR = 5,
    HIERARCHY_NODE = 6,
    NODE_ITERATOR = 7,
    WAVEFORM_SET = 8,
    SEGMENT = 9,
    WAVEFORM = 10,
    SIM_RESULT_WRITER = 11,
    SIM_RESULT_SUBSET = 12,
    WRITER = 13,
    WF_DATA_VIEW = 14,
    READER = 15,
    WF_DATA_READER = 16,
  };

  explicit ZELC_Base(ObjectType kind) : kind_(kind) {}
  virtual ~ZELC_Base() = default;
  ZELC_Base(const ZELC_Base&) = delete;
  ZELC_Base& operator=(const ZELC_Base&) = delete;

  ObjectType Get_Kind() const { return kind_; }
  int Get_Key() const { return key_; }
  int Get_SessionKey() const { return sessionKey_; }
  // Both keys must still be -1, else ZELI_FailedException
  // "ZELC_Base::Set_Keys() implementation.".
  void Set_Keys(int key, int sessionKey);

 private:
  ObjectType kind_;
  int key_ = -1;
  int sessionKey_ = -1;
};

template <typename T>
class ZELC_StandaloneBase : public ZELC_Base {
 public:
  ZELC_StandaloneBase(ObjectType kind, T* object) : ZELC_Base(kind), object_(object) {}
  T* Get_Object_p() const { return object_; }

 private:
  T* object_;  // not owned
};

template <typename T>
class ZELC_ContainedBase : public ZELC_StandaloneBase<T> {
 public:
  ZELC_ContainedBase(ZELC_Base::ObjectType kind, T* object, ZELC_Container* container)
      : ZELC_StandaloneBase<T>(kind, object), container_(container) {}
  ZELC_Container* Get_Container_p() const { return container_; }

 private:
  ZELC_Container* container_;
};

template <typename T>
class ZELC_ExternalBase;  // container_wrapper.h
template <typename T>
class ZELC_AccessBase;    // container_wrapper.h

// Handle type -> kind, wrapper class, implementation class.
template <typename Handle>
struct ZELC_HandleTraits;

#define ZELC_HANDLE_TRAITS(HandleT, Kind, WrapperT, ObjectT)      \
  template <>                                                     \
  struct ZELC_HandleTraits<HandleT> {                             \
    static constexpr ZELC_Base::ObjectType kind = ZELC_Base::Kind; \
    using Wrapper = WrapperT;                                     \
    using Object = ObjectT;                                       \
  };

ZELC_HANDLE_TRAITS(zel_container_t, CONTAINER, ZELC_Container, ZELI_Container)
ZELC_HANDLE_TRAITS(zel_view_t, VIEW, ZELC_StandaloneBase<ZELI_View>, ZELI_View)
ZELC_HANDLE_TRAITS(zel_type_t, TYPE, ZELC_ExternalBase<ZELI_Type>, ZELI_Type)
ZELC_HANDLE_TRAITS(zel_parameter_t, PARAMETER, ZELC_ExternalBase<ZELI_Parameter>, ZELI_Parameter)
ZELC_HANDLE_TRAITS(zel_dimensionDescriptor_t, DIMENSION_DESCRIPTOR,
                   ZELC_ExternalBase<ZELI_DimensionDescriptor>, ZELI_DimensionDescriptor)
ZELC_HANDLE_TRAITS(zel_hierarchyNode_t, HIERARCHY_NODE, ZELC_ExternalBase<ZELI_HierarchyNode>,
                   ZELI_HierarchyNode)
ZELC_HANDLE_TRAITS(zel_nodeIterator_t, NODE_ITERATOR, ZELC_ContainedBase<ZELI_NodeIterator>,
                   ZELI_NodeIterator)
ZELC_HANDLE_TRAITS(zel_waveformSet_t, WAVEFORM_SET, ZELC_ExternalBase<ZELI_WaveformSet>,
                   ZELI_WaveformSet)
ZELC_HANDLE_TRAITS(zel_segment_t, SEGMENT, ZELC_ExternalBase<ZELI_Segment>, ZELI_Segment)
ZELC_HANDLE_TRAITS(zel_waveform_t, WAVEFORM, ZELC_ExternalBase<ZELI_Waveform>, ZELI_Waveform)
ZELC_HANDLE_TRAITS(zel_simResultWriter_t, SIM_RESULT_WRITER,
                   ZELC_AccessBase<ZELI_SimResultWriter>, ZELI_SimResultWriter)
ZELC_HANDLE_TRAITS(zel_simResultSubset_t, SIM_RESULT_SUBSET,
                   ZELC_AccessBase<ZELI_SimResultSubset>, ZELI_SimResultSubset)
ZELC_HANDLE_TRAITS(zel_writer_t, WRITER, ZELC_AccessBase<ZELI_Writer>, ZELI_Writer)
ZELC_HANDLE_TRAITS(zel_wfDataView_t, WF_DATA_VIEW, ZELC_AccessBase<ZELI_WfDataView>,
                   ZELI_WfDataView)
ZELC_HANDLE_TRAITS(zel_reader_t, READER, ZELC_AccessBase<ZELI_Reader>, ZELI_Reader)
ZELC_HANDLE_TRAITS(zel_wfDataReader_t, WF_DATA_READER, ZELC_AccessBase<ZELI_WfDataReader>,
                   ZELI_WfDataReader)

#undef ZELC_HANDLE_TRAITS

// Implementation class -> kind code, for the wrappers the container creates.
template <typename Object>
struct ZELC_KindOf;
#define ZELC_KIND_OF(ObjectT, Kind) \
  template <>                       \
  struct ZELC_KindOf<ObjectT> {     \
    static constexpr ZELC_Base::ObjectType kind = ZELC_Base::Kind; \
  };
ZELC_KIND_OF(ZELI_Type, TYPE)
ZELC_KIND_OF(ZELI_Parameter, PARAMETER)
ZELC_KIND_OF(ZELI_DimensionDescriptor, DIMENSION_DESCRIPTOR)
ZELC_KIND_OF(ZELI_HierarchyNode, HIERARCHY_NODE)
ZELC_KIND_OF(ZELI_NodeIterator, NODE_ITERATOR)
ZELC_KIND_OF(ZELI_WaveformSet, WAVEFORM_SET)
ZELC_KIND_OF(ZELI_Segment, SEGMENT)
ZELC_KIND_OF(ZELI_Waveform, WAVEFORM)
ZELC_KIND_OF(ZELI_SimResultWriter, SIM_RESULT_WRITER)
ZELC_KIND_OF(ZELI_SimResultSubset, SIM_RESULT_SUBSET)
ZELC_KIND_OF(ZELI_Writer, WRITER)
ZELC_KIND_OF(ZELI_WfDataView, WF_DATA_VIEW)
ZELC_KIND_OF(ZELI_Reader, READER)
ZELC_KIND_OF(ZELI_WfDataReader, WF_DATA_READER)
#undef ZELC_KIND_OF

#endif  // ZEL_INTERFACE_HANDLES_H
