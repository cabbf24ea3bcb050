// Helpers shared by the exported hierarchy and node-iterator functions:
// converting handles that must belong to a given container.
#ifndef ZEL_MODEL_HIERARCHY_API_SUPPORT_H
#define ZEL_MODEL_HIERARCHY_API_SUPPORT_H

#include "model/api_support.h"
#include "model/hierarchy.h"

// The object of handle, which must belong to wrapper's container.
ZELI_Type* ZELC_HierarchyTypeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_type_t handle);
ZELI_HierarchyNode* ZELC_HierarchyNodeOf(ZELC_Session* session, ZELC_Container* wrapper, zel_hierarchyNode_t handle);

#endif  // ZEL_MODEL_HIERARCHY_API_SUPPORT_H
