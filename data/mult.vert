#version 110
// Terrain vertex shader. Vertices arrive in grid units: x = column, y = height, z = row.
// Everything else (bands, slopes, normals, water) is worked out per fragment from the textures.

varying vec3 gridPosition;
varying vec3 eyePosition;

void main()
{
    gridPosition = gl_Vertex.xyz;
    eyePosition = (gl_ModelViewMatrix * gl_Vertex).xyz;
    gl_Position = ftransform();
}
