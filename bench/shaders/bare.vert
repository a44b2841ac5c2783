#version 110
// The frame benchmark's peer: the terrain's vertices as they are, nothing else worked out.

varying vec3 gridPosition;

void main()
{
    gridPosition = gl_Vertex.xyz;
    gl_Position = ftransform();
}
