// exports_project.cpp - the project family of exports: counting, creating, opening, naming, moving, deleting projects.
#include "api/export_frame.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/server_state.h"
#include "tavovxf.h"
#include "song/project_songs.h"

using namespace vxfserver;

namespace {

bool openProjectAtIndex(uint16_t index) {
    uint16_t count = 0;
    if (!projectCount(count)) return false;
    if (index >= count) return fail(VXF_ERR_INVALID_PARAMETER);
    return openProject(projectHandleAt(index));
}

// With no project open the handle is 0, which the list refuses like any unlisted one.
bool deleteOpenProject() { return deleteProject(state().openProject); }

bool moveOpenProject(uint16_t index) {
    uint16_t from = 0;
    return requireOpenProject() && indexOfOpenProject(from) && moveProject(from, index);
}

}  // namespace

extern "C" {

int32_t tavovxfProjectGetNum(uint32_t handle, uint16_t* count) { return runNumberGetter(handle, count, projectCount); }

int32_t tavovxfProjectCreate(uint32_t handle) { return runExport(handle, kChangeFrame, [] { return createProject(); }); }

int32_t tavovxfProjectGetLastPrimary(uint32_t handle, uint16_t* index) {
    if (!requirePointer(index)) return finishExport(false);
    return runExport(handle, kReadFrame, [&] { return lastPrimaryProjectIndex(*index); });
}

int32_t tavovxfProjectSetPrimary(uint32_t handle, uint16_t index) {
    return runExport(handle, kReadFrame, [&] { return openProjectAtIndex(index); });
}

int32_t tavovxfProjectDelete(uint32_t handle) { return runExport(handle, kChangeFrame, [] { return deleteOpenProject(); }); }

int32_t tavovxfProjectGetName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getProjectName); }

int32_t tavovxfProjectSetName(uint32_t handle, const char* name) { return runTextSetter(handle, name, &setProjectName); }

int32_t tavovxfProjectGetExtName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getProjectExtName); }

int32_t tavovxfProjectSetExtName(uint32_t handle, const char* name) { return runTextSetter(handle, name, &setProjectExtName); }

int32_t tavovxfProjectMove(uint32_t handle, uint16_t index) {
    return runExport(handle, kChangeFrame, [&] { return moveOpenProject(index); });
}

}  // extern "C"
