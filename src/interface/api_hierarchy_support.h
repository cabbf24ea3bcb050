// Helpers shared by the exported hierarchy and node-iterator functions:
// converting handles that must belong to a given container.
#ifndef ZEL_INTERFACE_API_HIERARCHY_SUPPORT_H
#define ZEL_INTERFACE_API_HIERARCHY_SUPPORT_H

#include "interface/api_model_support.h"
#include "model/hierarchy.h"

// The object of handle, which must belong to wrapper's container.
ZELI_Type* ZELC_HierarchyTypeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_type_t handle);
ZELI_HierarchyNode* ZELC_HierarchyNodeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_hierarchyNode_t handle);

#endif  // ZEL_INTERFACE_API_HIERARCHY_SUPPORT_H
