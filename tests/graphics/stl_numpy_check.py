# Reads an STL file with numpy-stl, keeping the stored normals, and prints:
# facets, open edges (directed edges whose reverse no other facet has), the
# signed volume, degenerate facets, facets whose stored normal disagrees
# with their winding, walls (facets with a level normal) that face the
# vertical axis through the mean of all vertices (inward walls of one convex
# outline), and the bounding box. (numpy-stl's own is_closed sums
# the stored unit normals, which says nothing about closure.)
import sys
import warnings

warnings.simplefilter("ignore")
import numpy as np
from stl import mesh

m = mesh.Mesh.from_file(sys.argv[1], calculate_normals=False)
n = np.cross(m.v1 - m.v0, m.v2 - m.v0)
a = np.linalg.norm(n, axis=1)
degenerate = int((a < 1e-12).sum())
stored = m.normals / np.linalg.norm(m.normals, axis=1)[:, None]
bad = int((np.einsum("ij,ij->i", stored, n / np.where(a == 0, 1, a)[:, None]) < 0.999).sum())
v = m.vectors.astype(np.float32)
start = np.concatenate([v[:, 0], v[:, 1], v[:, 2]])
end = np.concatenate([v[:, 1], v[:, 2], v[:, 0]])
keys = np.concatenate([np.hstack([start, end]), np.hstack([end, start])])
_, ids = np.unique(keys.view(np.dtype((np.void, keys.dtype.itemsize * 6))).ravel(), return_inverse=True)
forward, backward = ids[: len(start)], ids[len(start):]
open_edges = int((~np.isin(forward, backward)).sum()) if len(start) else 0
volume = np.einsum("ij,ij->i", m.v0.astype(np.float64),
                   np.cross(m.v1.astype(np.float64), m.v2.astype(np.float64))).sum() / 6
centre = m.vectors.reshape(-1, 3).mean(axis=0) if len(m.vectors) else np.zeros(3)
level = np.abs(stored[:, 2]) < 1e-6
outward = np.einsum("ij,ij->i", stored[:, :2], m.vectors.mean(axis=1)[:, :2] - centre[:2])
inward = int((level & (outward < 0)).sum())
print("FACETS=%d OPENEDGES=%d VOLUME=%.6f DEGENERATE=%d BADNORMALS=%d" %
      (len(m.vectors), open_edges, volume, degenerate, bad))
print("INWARD=%d" % inward)
print("MIN=%.6f %.6f %.6f MAX=%.6f %.6f %.6f" % (tuple(m.min_) + tuple(m.max_)))
print("DONE")
