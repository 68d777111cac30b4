/* The ED loader as a library: load an ED file into a read-only product structure and walk it.
 *
 *   edl_structure* s = NULL;
 *   char message[256];
 *   if (edl_load("pump.ed", &s, message, sizeof message) != EDL_OK) { puts(message); return 1; }
 *   printf("%s: %zu instances\n", edl_component_name(edl_root(s)), edl_instance_count(s));
 *   edl_free(s);
 *
 * Handles are opaque. Every pointer that a call returns (components, instances, texts, the plain
 * structs) belongs to the structure or diagnostics it came from and stays valid until that is freed.
 * Texts are UTF-8 and NUL-terminated; a text that is absent is NULL. A loaded structure never changes:
 * it may be read from any number of threads at once. Loads are serialised within the process. No call
 * lets an exception out; failures are status codes with a message. */
#ifndef EDLOADER_EDLOADER_H
#define EDLOADER_EDLOADER_H

#include <stddef.h>
#include <stdint.h>

#include "edloader/version.h"

#if defined(__GNUC__)
#define EDL_API __attribute__((visibility("default")))
#else
#define EDL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What the library reports; EDLOADER_VERSION_STRING is what a program was compiled against. */
EDL_API const char* edl_version(void);

typedef enum edl_status {
    EDL_OK = 0,
    EDL_LOAD_FAILED = 1,   /* the loader refused or could not read the file; the message says why */
    EDL_OUT_OF_MEMORY = 2, /* message "out of memory" */
    EDL_NO_PLUGIN = 3,     /* the loader plug-in beside the library could not be opened */
    EDL_BAD_ARGUMENT = 4,  /* a null path or result pointer */
    EDL_INTERNAL_ERROR = 5
} edl_status;

typedef struct edl_structure edl_structure;
typedef struct edl_component edl_component;
typedef struct edl_instance edl_instance;
typedef struct edl_diagnostics edl_diagnostics;

/* Loads the ED file at `path`. On success returns EDL_OK and sets *out; otherwise returns a status,
 * sets *out to NULL and writes the reason into `message` (truncated to `message_size` bytes, always
 * terminated; `message` may be NULL when `message_size` is 0). */
EDL_API int edl_load(const char* path, edl_structure** out, char* message, size_t message_size);
/* Frees a structure and everything taken from it; NULL is allowed. */
EDL_API void edl_free(edl_structure* s);

/* The instances reachable from the root, shared components counted once per path to them. */
EDL_API size_t edl_instance_count(const edl_structure* s);
/* NULL when the file defined no root. */
EDL_API const edl_component* edl_root(const edl_structure* s);

/* ---- Components ---- */

typedef enum edl_kind {
    EDL_NODE = 0, /* a component of the file */
    EDL_PROXY = 1 /* a stand-in for a component in another file, named by its link */
} edl_kind;

/* An axis-aligned box in the component's own coordinates. */
typedef struct edl_box {
    float min[3];
    float max[3];
} edl_box;

/* A shape source or a thumbnail: the file it names and, for a shape, its bounding box. */
typedef struct edl_source {
    const char* file;
    int has_box;
    edl_box box;
    unsigned index;
} edl_source;

/* `group` is the property's group, NULL when it has none. */
typedef struct edl_property {
    const char* name;
    const char* group;
    const char* value;
} edl_property;

/* A document, drawing, image or other file to view with the component. `family` is one of
 * "document", "drawing", "ecad", "illustration", "illustration3d", "image", "oledoc", "file";
 * `ecad_type` is 0 generic, 1 schematic, 2 PCB for "ecad" and -1 otherwise. */
typedef struct edl_viewable {
    const char* family;
    const char* file;
    const char* display;
    int ecad_type;
} edl_viewable;

/* A named camera direction; `orientation` is a quaternion x, y, z, w. */
typedef struct edl_view_point {
    const char* name;
    float orientation[4];
} edl_view_point;

/* `type` is 0 view state, 1 explode state, 2 alternate representation, 3 section cut. */
typedef struct edl_view_state {
    int type;
    unsigned number;
    const char* first;
    const char* second;
} edl_view_state;

typedef struct edl_layer_group {
    const char* name;
    size_t member_count;
    const char* const* members;
} edl_layer_group;

EDL_API edl_kind edl_component_kind(const edl_component* c);
EDL_API const char* edl_component_name(const edl_component* c);
/* The file a proxy stands for; NULL for a node. */
EDL_API const char* edl_component_link(const edl_component* c);
/* NULL when the component has none. */
EDL_API const edl_source* edl_component_shape_source(const edl_component* c);
EDL_API const edl_source* edl_component_thumbnail(const edl_component* c);
/* The shape source's box: 1 and *out set when there is one, else 0. */
EDL_API int edl_component_box(const edl_component* c, edl_box* out);

/* Each list is read by count and index; an index out of range gives NULL. */
EDL_API size_t edl_property_count(const edl_component* c);
EDL_API const edl_property* edl_property_at(const edl_component* c, size_t i);
EDL_API size_t edl_viewable_count(const edl_component* c);
EDL_API const edl_viewable* edl_viewable_at(const edl_component* c, size_t i);
EDL_API size_t edl_view_point_count(const edl_component* c);
EDL_API const edl_view_point* edl_view_point_at(const edl_component* c, size_t i);
EDL_API size_t edl_view_state_count(const edl_component* c);
EDL_API const edl_view_state* edl_view_state_at(const edl_component* c, size_t i);
EDL_API size_t edl_layer_group_count(const edl_component* c);
EDL_API const edl_layer_group* edl_layer_group_at(const edl_component* c, size_t i);
/* The instances that place other components in this one, in file order; none for a proxy. */
EDL_API size_t edl_child_count(const edl_component* c);
EDL_API const edl_instance* edl_child_at(const edl_component* c, size_t i);

/* ---- Instances ---- */

/* Where an instance puts its component relative to its parent: translation in metres, then a
 * rotation quaternion x, y, z, w, then a uniform scale. */
typedef struct edl_placement {
    double translation[3];
    float rotation[4];
    float scale;
} edl_placement;

/* A colour override: red, green, blue, alpha in 0..1; `opaque` is 1 when the override is opaque. */
typedef struct edl_colour {
    float rgba[4];
    int opaque;
} edl_colour;

/* The empty text, not NULL, when the instance has no id. */
EDL_API const char* edl_instance_id(const edl_instance* i);
EDL_API const edl_component* edl_instance_component(const edl_instance* i);
/* 1 and *out set when the instance is placed; else 0 and *out the identity. */
EDL_API int edl_instance_placement(const edl_instance* i, edl_placement* out);
/* 1 and *out set when the instance overrides its component's colour, else 0. */
EDL_API int edl_instance_colour(const edl_instance* i, edl_colour* out);
/* 0 when the instance is hidden by default, 1 when it is shown. */
EDL_API int edl_instance_visible(const edl_instance* i);

/* ---- Diagnostics of a file (what `ed-load --check` reports) ---- */

typedef enum edl_severity { EDL_ERROR = 0, EDL_WARNING = 1, EDL_INFO = 2 } edl_severity;

/* One finding. `code` is a stable kebab-case name; `column` (1-based byte) and `record` (the record
 * letter) are 0 when they do not apply. */
typedef struct edl_diagnostic {
    const char* code;
    edl_severity severity;
    uint64_t line;
    uint32_t column;
    char record;
    const char* message;
} edl_diagnostic;

/* Checks the ED file at `path` line by line, as edl_load's status and message report. The findings
 * are kept in file order, up to a bound; the counts cover them all. */
EDL_API int edl_check(const char* path, edl_diagnostics** out, char* message, size_t message_size);
EDL_API void edl_diagnostics_free(edl_diagnostics* d);
EDL_API size_t edl_diagnostic_count(const edl_diagnostics* d);
EDL_API const edl_diagnostic* edl_diagnostic_at(const edl_diagnostics* d, size_t i);
/* Every finding of `severity`, kept or not. */
EDL_API size_t edl_diagnostics_total(const edl_diagnostics* d, edl_severity severity);

#ifdef __cplusplus
}
#endif

#endif
