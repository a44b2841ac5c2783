#version 110
// Terrain fragment shader.
// Units 0-4: water, beach, grass, rock, snow, tiled texRep times per 100 grid units.
// Unit 5: a mid-grey detail map, tiled detailRep times per 100 grid units; it multiplies the
// colour by twice its value, so grey leaves the colour as it is.
// Unit 6: unit normals as (n + 1) * 127 bytes; unit 7: height / Theight as alpha. Both hold one
// texel per grid point over Twidth x Tlength points.
//
// note: software rasterisers run both sides of every branch, so the shader is written without
// any: each texture is sampled once per fragment (rock three times for triplanar cliffs) and the
// switches only choose weights. Ten samples in all.

uniform sampler2D mytex[6];
uniform sampler2D normalMap;
uniform sampler2D heightMap;

uniform int texturing;          // ground textures; off: a plain grey surface
uniform int slopeTexturing;     // rock where the slope is steeper than slopeCutoff
uniform int lighting;           // diffuse and ambient light from light 0
uniform int normalTexture;      // show the normal map itself, as colour
uniform int useDetailMap;
uniform int triplanarTexturing; // rock projected three ways on cliffs, against stretching
uniform int textureLOD;         // far ground blurred and without detail, against shimmering

uniform float levelRatio;       // height of one band, as a fraction of Theight
uniform float slopeCutoff;      // rock where the normal's y falls below this
uniform float Theight;
uniform int Twidth;
uniform int Tlength;
uniform float waterPosition;
uniform float triplanarCutoff;  // triplanar rock where the normal's y falls below this
uniform float texRep;
uniform float detailRep;

varying vec3 gridPosition;
varying vec3 eyePosition;

// Weight of band k (1 beach, 2 grass, 3 rock, 4 snow) at relative height h: each band spans
// levelRatio and blends into its neighbours over a third of that.
float bandWeight(float k, float h)
{
    float blend = levelRatio / 3.0;
    float low = k == 1.0 ? -1.0 : (k - 1.0) * levelRatio;
    float high = k == 4.0 ? 1e6 : k * levelRatio;
    return smoothstep(low - blend, low + blend, h) * (1.0 - smoothstep(high - blend, high + blend, h));
}

void main()
{
    vec2 extent = vec2(float(Twidth), float(Tlength));
    vec2 mapCoord = (gridPosition.xz + 0.5) / extent;
    mapCoord = clamp(mapCoord, 0.5 / extent, 1.0 - 0.5 / extent);
    vec3 normal = normalize(texture2D(normalMap, mapCoord).rgb * (255.0 / 127.0) - 1.0);
    float height = texture2D(heightMap, mapCoord).a * Theight;
    float eyeDistance = length(eyePosition);

    // Distance-based level of detail: a growing mipmap bias far away, where a sharp tiling only
    // shimmers, and the detail map fading out before it turns to noise.
    float lod = float(textureLOD);
    float bias = lod * 2.0 * smoothstep(150.0, 700.0, eyeDistance);
    float detailFade = 1.0 - lod * smoothstep(60.0, 250.0, eyeDistance);

    vec3 p = gridPosition * (texRep / 100.0);
    vec4 beach = texture2D(mytex[1], p.xz, bias);
    vec4 grass = texture2D(mytex[2], p.xz, bias);
    vec4 snow = texture2D(mytex[4], p.xz, bias);
    vec4 rock = texture2D(mytex[3], p.xz, bias);
    // Projected from above, a cliff stretches the rock into streaks: project it along the
    // other two axes as well and weigh the three by the normal.
    vec3 axes = abs(normal);
    axes /= axes.x + axes.y + axes.z;
    vec4 rockSide = texture2D(mytex[3], p.zy) * axes.x + texture2D(mytex[3], p.xy) * axes.z;
    float triplanar = float(triplanarTexturing) * (1.0 - smoothstep(triplanarCutoff - 0.05, triplanarCutoff + 0.05, normal.y));
    rock = mix(rock, rock * axes.y + rockSide, triplanar);

    float h = Theight > 0.0 ? height / Theight : 0.0;
    float w1 = bandWeight(1.0, h), w2 = bandWeight(2.0, h);
    float w3 = bandWeight(3.0, h), w4 = bandWeight(4.0, h);
    // Steep ground sheds soil and snow: rock takes over around the cutoff.
    float steep = float(slopeTexturing) * (1.0 - smoothstep(slopeCutoff - 0.05, slopeCutoff + 0.05, normal.y));
    w1 *= 1.0 - steep;
    w2 *= 1.0 - steep;
    w4 *= 1.0 - steep;
    w3 = mix(w3, 1.0, steep);
    vec4 ground = (w1 * beach + w2 * grass + w3 * rock + w4 * snow) / max(w1 + w2 + w3 + w4, 0.0001);

    // The sea stands at height 0: the water tile drifts with waterPosition, and a ripple of light
    // runs across it at the same pace.
    // note: waterPosition wraps from 8 to 0; the drift and the ripple cover whole periods by then.
    vec2 waterUV = gridPosition.xz * (texRep / 100.0) + vec2(4.0, 2.0) * waterPosition;
    vec4 water = texture2D(mytex[0], waterUV);
    float ripple = sin(6.2831853 * (0.15 * gridPosition.x + 0.1 * gridPosition.z - 8.0 * waterPosition));
    water.rgb *= 1.0 + 0.08 * ripple;
    float sea = 1.0 - smoothstep(0.0, 0.6, height);
    ground = mix(ground, water, sea);

    vec3 colour = mix(vec3(0.75), ground.rgb, float(texturing));

    vec3 detail = texture2D(mytex[5], gridPosition.xz * (detailRep / 100.0)).rgb * 2.0;
    colour *= mix(vec3(1.0), detail, float(useDetailMap) * detailFade);

    vec3 n = normalize(gl_NormalMatrix * normal);
    vec4 lightPosition = gl_LightSource[0].position;
    vec3 toLight = normalize(lightPosition.xyz - eyePosition * lightPosition.w);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 light = gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb +
                 diffuse * gl_LightSource[0].diffuse.rgb;
    colour *= mix(vec3(1.0), light, float(lighting));

    colour = mix(colour, normal * 0.5 + 0.5, float(normalTexture));
    gl_FragColor = vec4(colour, 1.0);
}
