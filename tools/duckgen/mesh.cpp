#include "mesh.h"

namespace duckgen {

std::vector<std::vector<int>> VertexTriangles(const Mesh &m, int n)
{
    std::vector<std::vector<int>> vt(n);
    for (int t = 0; t < (int)m.tri.size(); ++t)
        for (int k = 0; k < 3; ++k)
            vt[m.tri[t][k]].push_back(t);
    return vt;
}

Vec3 FaceNormal(const std::vector<Vec3> &p, const Triangle &f)
{
    return Unit(Cross(p[f[1]] - p[f[0]], p[f[2]] - p[f[0]]));
}

Vec3 SmoothNormal(const std::vector<Vec3> &p, const std::vector<Triangle> &tris, const std::vector<int> &around)
{
    Vec3 s = {0, 0, 0};
    for (int t : around)
        s = s + FaceNormal(p, tris[t]);
    return Unit(s);
}

} // namespace duckgen
