// The vector loop under the distances of complete vectors: one vector's
// distances to many laid out by component, each pair's squares summed over
// the components in order, as VectorDistance sums them.
#pragma once

// x[0..dim-1] against the members 0..n-1 whose component k stands at
// columns[k x stride + j], all in the distance unit: the distances (in that
// unit) into out[0..n-1].
void ColumnDistances(const float* x, int n, int dim, const float* columns, int stride, float* out);
