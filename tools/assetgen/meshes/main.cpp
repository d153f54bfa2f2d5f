// gen_meshes - writes the three ASE meshes the scenes load ("data/cube",
// "data/spid", "data/flow") into the run folder given as the one argument.
// The output depends on nothing but this source.
#include <cstdio>

#include "common/asset_files.h"
#include "meshes/mesh_build.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_meshes RUN_FOLDER\n");
        return 1;
    }
    const struct {
        const char* file;
        meshgen::MeshBuild (*build)();
    } meshes[] = {{"data/cube", meshgen::buildCube},
                  {"data/spid", meshgen::buildSpid},
                  {"data/flow", meshgen::buildFlow}};
    for (const auto& m : meshes) {
        const meshgen::MeshBuild mesh = m.build();
        if (!meshgen::isClosedAndConsistent(mesh.faces)) {
            printf("gen_meshes: %s is not a closed, consistently wound surface\n", m.file);
            return 1;
        }
        if (!writeText(outputPath(argv[1], m.file), meshgen::toAse(mesh))) return 1;
    }
    return 0;
}
