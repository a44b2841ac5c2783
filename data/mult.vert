#version 110
// Terrain vertex shader. Vertices arrive in grid units: x = column, y = height, z = row.
// What changes smoothly across a triangle is worked out here, once per vertex, and interpolated:
// the height bands, the detail map's fade with distance, the light's direction and colours, and
// the phase of the water's ripple. What needs the normal map's detail is left to the fragments.

uniform int lighting;
uniform int useDetailMap;
uniform int textureLOD;         // the detail map fades out with distance, before it turns to noise
uniform float levelRatio;       // height of one band, as a fraction of Theight
uniform float Theight;
uniform float waterPosition;

varying vec3 gridPosition;
varying vec3 bands;             // how far above the boundaries of grass, rock and snow a vertex is
varying vec3 toLight;           // unit direction to light 0, in grid space
varying vec3 lightBase;         // light at a fragment facing away: ambient, or 1 when unlit
varying vec3 lightSlope;        // light added per unit of the diffuse term
varying vec2 detailAndRipple;   // the detail map's weight; the ripple's phase, in periods

// How far relative height h is above the boundaries of the bands: 0 below, 1 above, smoothly
// across a third of levelRatio on either side. Each band spans levelRatio: the beach up to the
// first boundary (its own lower one lies far below the sea), then grass, rock and snow.
vec3 bandWeights(float h)
{
    float blend = levelRatio / 3.0;
    vec3 boundary = vec3(1.0, 2.0, 3.0) * levelRatio;
    vec3 above = smoothstep(boundary - blend, boundary + blend, vec3(h));
    return above;
}

void main()
{
    gridPosition = gl_Vertex.xyz;
    vec3 eyePosition = (gl_ModelViewMatrix * gl_Vertex).xyz;

    float h = Theight > 0.0 ? gl_Vertex.y / Theight : 0.0;
    bands = bandWeights(h);

    // The light is given in eye space and the normal map in grid space. The view only turns and
    // moves, so the light's direction is turned back into grid space here (by the transpose of
    // the normal matrix) rather than every normal into eye space per fragment.
    vec4 lightPosition = gl_LightSource[0].position;
    toLight = normalize(lightPosition.xyz - eyePosition * lightPosition.w) * gl_NormalMatrix;
    float lit = float(lighting);
    lightBase = mix(vec3(1.0), gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb, lit);
    lightSlope = lit * gl_LightSource[0].diffuse.rgb;

    float detailFade = 1.0 - float(textureLOD) * smoothstep(60.0, 250.0, length(eyePosition));
    // note: waterPosition wraps from 8 to 0; the drift and the ripple cover whole periods by then.
    detailAndRipple = vec2(float(useDetailMap) * detailFade,
                           0.15 * gl_Vertex.x + 0.1 * gl_Vertex.z - 8.0 * waterPosition);
    gl_Position = ftransform();
}
